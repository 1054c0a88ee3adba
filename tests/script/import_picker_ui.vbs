' SelectFilesAndFolders called from VBScript while a driver program (tests/ui) operates the real
' Import dialog and folder browser; the arrays are read directly with LBound and UBound.
Dim shell, fso
Set shell = CreateObject("WScript.Shell")
Set fso = CreateObject("Scripting.FileSystemObject")

Dim driverPath, root, laterFolder, earlierFolder
driverPath = WScript.Arguments(1)
root = fso.GetSpecialFolder(2).Path & "\fernwick-picker-vbs"
laterFolder = root & "\D\A"
earlierFolder = root & "\C\B"
shell.Run "cmd /c rmdir /s /q """ & root & """", 0, True
shell.Run "cmd /c mkdir """ & laterFolder & """ """ & earlierFolder & """", 0, True

' Runs SelectFilesAndFolders while the driver performs steps; the driver must have done them all
' (it leaves the report file before its last press, and only then).
Dim report
report = root & "\driver-done"
Function SelectWithDriver(picker, folder, file, steps)
    If fso.FileExists(report) Then fso.DeleteFile report
    shell.Run """" & driverPath & """ """ & report & """ " & steps, 0, False
    SelectWithDriver = picker.SelectFilesAndFolders(folder, file, "")
    Check "driver finished [" & steps & "]", fso.FileExists(report), True
End Function

Dim picker, folders, files
Set picker = CreateObject("PexanFernwick.ImportPicker")
folders = picker.SelectedFolders
Check "new SelectedFolders lbound", LBound(folders), CLng(0)
Check "new SelectedFolders ubound", UBound(folders), CLng(-1)
Check "new LastSelectedFolder", picker.LastSelectedFolder, ""

Check "cancel result", SelectWithDriver(picker, "C:\Last", "C:\Last\last.xml", "cancel"), False
files = picker.SelectedFiles
Check "SelectedFiles after cancel ubound", UBound(files), CLng(-1)
Check "LastSelectedFolder after cancel", picker.LastSelectedFolder, "C:\Last"
Check "LastSelectedFile after cancel", picker.LastSelectedFile, "C:\Last\last.xml"

Check "ok result", SelectWithDriver(picker, "", "", "add-folder """ & laterFolder & _
      """ add-folder """ & earlierFolder & """ ok"), True
folders = picker.SelectedFolders
Check "SelectedFolders lbound", LBound(folders), CLng(0)
Check "SelectedFolders ubound", UBound(folders), CLng(1)
Check "SelectedFolders(0)", folders(0), earlierFolder
Check "SelectedFolders(1)", folders(1), laterFolder
Check "element type", TypeName(folders(0)), "String"
Check "LastSelectedFolder", picker.LastSelectedFolder, earlierFolder
Check "LastSelectedFile is the one handed in", picker.LastSelectedFile, ""

shell.Run "cmd /c rmdir /s /q """ & root & """", 0, True
Finish
