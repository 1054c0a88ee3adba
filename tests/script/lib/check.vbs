' Put in front of every VBScript suite by the harness: one line per failed check, then
' "N passed, N failed".
Dim passed, failed
passed = 0
failed = 0

Sub Check(what, actual, expected)
    If TypeName(actual) = TypeName(expected) And actual = expected Then
        passed = passed + 1
    Else
        failed = failed + 1
        WScript.Echo "FAILED " & what & ": got [" & actual & "] (" & TypeName(actual) & _
                     "), expected [" & expected & "] (" & TypeName(expected) & ")"
    End If
End Sub

Sub Finish()
    WScript.Echo passed & " passed, " & failed & " failed"
End Sub
