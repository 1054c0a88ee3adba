' The registry helper driven from VBScript, against client entries this suite writes.
Dim shell
Set shell = CreateObject("WScript.Shell")

Const Common = "HKCU\SOFTWARE\Documentum\Common\"
shell.Run "reg delete HKCU\SOFTWARE\Documentum /f", 0, True
shell.RegWrite Common & "WorkingFiles\0900000000000b02\FileName", "C:\Work\Edit\guide.xml", "REG_SZ"
shell.RegWrite Common & "WorkingFiles\0900000000000b02\DomainName", "CORP", "REG_SZ"

Dim helper, unset
' Through the host: Wine's VBScript CreateObject fails for any object that takes a site
' (IObjectWithSite) when the host, as cscript, offers the script no services.
Set helper = WScript.CreateObject("PexanFernwick.DocumentumRegistryHelper")
Check "new IsOpenForEdit", helper.IsOpenForEdit(), False
Check "new FileName", helper.FileName, ""

Check "edit document found", helper.InitFromObjectID("0900000000000b02"), True
Check "IsOpenForEdit is True (-1)", CInt(helper.IsOpenForEdit()), -1
Check "IsOpenForView", helper.IsOpenForView(), False
Check "FileName", helper.FileName, "C:\Work\Edit\guide.xml"
Check "DomainName", helper.DomainName, "CORP"
Check "DocbaseName missing is empty", helper.DocbaseName, ""

Check "by path", helper.InitFromFileName("C:\WORK\EDIT\GUIDE.XML"), True
Check "by path ObjectID", helper.ObjectID, "0900000000000b02"

Check "Empty argument counts as empty", helper.InitFromObjectID(unset), False
Check "Empty argument ObjectID", helper.ObjectID, ""
helper.RegistryFile = unset
Check "Empty registry file is registry mode", helper.InitFromObjectID("0900000000000b02"), True

shell.Run "reg delete HKCU\SOFTWARE\Documentum /f", 0, True
Finish
