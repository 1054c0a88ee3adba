' Registry mode, file mode and the picker's results, from VBScript. Check what, actual, expected
' states each answer; the test tier fails when one differs.
Dim shell, helper, picker, unset
Set shell = CreateObject("WScript.Shell")
Const Edit = "HKCU\SOFTWARE\Documentum\Common\WorkingFiles\0900000000000b02\"
shell.RegWrite Edit & "FileName", "C:\Work\Edit\guide.xml", "REG_SZ"
shell.RegWrite Edit & "DomainName", "CORP", "REG_SZ"

' WScript.CreateObject: under Wine, VBScript's own CreateObject cannot create an object that
' takes a site (see the README); on Windows either works.
Set helper = WScript.CreateObject("PexanFernwick.DocumentumRegistryHelper")
Check "found by ID", helper.InitFromObjectID("0900000000000b02"), True
Check "VARIANT_TRUE is -1", CInt(helper.IsOpenForEdit()), -1
Check "domain", helper.DomainName, "CORP"
Check "found by path", helper.InitFromFileName("C:\WORK\EDIT\GUIDE.XML"), True
Check "its ID", helper.ObjectID, "0900000000000b02"
Check "Empty counts as empty", helper.InitFromObjectID(unset), False

helper.RegistryFile = WScript.Arguments(0) & "\registry-file.txt"
Check "view section", helper.InitFromObjectID("0900000000000a01"), True
Check "docbase from the file", helper.DocbaseName, "archive"
Check "alternate path", helper.InitFromFileName("D:\Copies\manual.xml"), True
Check "last docbase", helper.LastConnectedDocBaseName, "archive"
helper.RegistryFile = unset
Check "the registry again: no such view", helper.InitViewFromObjectID("0900000000000a01"), False

Set picker = CreateObject("PexanFernwick.ImportPicker")
Check "no folders yet", UBound(picker.SelectedFolders) = -1, True
Check "no last file yet", picker.LastSelectedFile, ""

shell.Run "reg delete HKCU\SOFTWARE\Documentum /f", 0, True
Finish
