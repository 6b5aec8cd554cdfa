' Times an index with sub-entries as a report's formulas build it (through IDispatch, with
' variables): 6400 AddPage calls of two-level paths, 1600 main entries with four sub-entries
' each (8000 rows with the main entries the table adds), stored in descending order, in the
' reader's order, beside Scripting.Dictionary.Add of the same 6400 keys in the same loop.
' Each measure is the best of three runs.
' Usage: cscript levels.vbs FOLDER
' Prints one line per measure, with its ratio and goal, and "BENCH DONE" at its end.
Option Explicit
On Error Resume Next

Const PARENTS = 1600
Const CHILDREN = 4
Const RUNS = 3
Dim i, t0, k, p, r, run, dict, entry, base, levelsMs

' The i-th path, descending: each sorts before every path stored before it.
Function PathOf(i)
    Dim n
    n = PARENTS * CHILDREN - 1 - i
    PathOf = "Term " & CStr(n \ CHILDREN + 10000) & ">sub " & CStr(n Mod CHILDREN)
End Function

Function PageOf(i)
    PageOf = CStr(i Mod 400 + 1)
End Function

Sub Check(what)
    If Err.Number <> 0 Then
        WScript.Echo "FAIL " & what & ": " & Err.Number & " " & Err.Description
        WScript.Quit 1
    End If
End Sub

Function Fixed(x, digits)
    Fixed = CStr(Int(x * 10 ^ digits + 0.5) / 10 ^ digits)
End Function

Function Ms(start)
    Ms = (Timer - start) * 1000
    If Ms <= 0 Then Ms = 0.1
End Function

Sub Report(what, ms, baseMs, goal)
    Dim line, ratio
    ratio = ms / baseMs
    line = Left(what & Space(40), 40) & Right(Space(9) & Fixed(ms, 1), 9) & " ms" & _
        Right(Space(8) & Fixed(ratio, 2), 8) & "x " & Left("Dictionary.Add" & Space(24), 24)
    If goal > 0 Then
        line = line & " goal <= " & Fixed(goal, 2) & "x"
        If ratio <= goal Then line = line & " met" Else line = line & " MISSED"
    End If
    WScript.Echo line
End Sub

base = 1E+30: levelsMs = 1E+30
For run = 1 To RUNS
    Set dict = CreateObject("Scripting.Dictionary")
    t0 = Timer
    For i = 0 To PARENTS * CHILDREN - 1
        k = PathOf(i): p = PageOf(i)
        dict.Add k, p
    Next
    If Ms(t0) < base Then base = Ms(t0)
    Check "Dictionary.Add"
    Set dict = Nothing

    Set entry = CreateObject("Keystack.Entry")
    r = entry.SetOrder("text")
    r = entry.SetLevels(">")
    Check "Keystack.SetOrder and SetLevels"
    t0 = Timer
    For i = 0 To PARENTS * CHILDREN - 1
        k = PathOf(i): p = PageOf(i)
        r = entry.AddPage(k, p)
    Next
    If Ms(t0) < levelsMs Then levelsMs = Ms(t0)
    Check "Keystack.AddPage, two levels"
    If entry.Count <> PARENTS * (CHILDREN + 1) Or entry.FetchDescription(1) <> "Term 10000>sub 0" Then
        WScript.Echo "FAIL Keystack: two-level paths stored wrong (" & entry.Count & " rows)": WScript.Quit 1
    End If
    Set entry = Nothing
Next
Report "Dictionary.Add, 6400 paths (baseline)", base, base, 0
Report "Keystack.AddPage, two levels, text", levelsMs, base, 1.5
WScript.Echo "BENCH DONE"
