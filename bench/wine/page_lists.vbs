' Page lists through IDispatch: 8000 AddPage calls over 2000 terms beside 8000
' Scripting.Dictionary updates, and beside the way a report kept page lists before AddPage;
' and an index with sub-entries, AddPage of two-level paths beside Dictionary.Add.
' Usage: cscript page_lists.vbs FOLDER
' Prints one line per measure and "BENCH DONE" at its end (Wine's script host hides errors).
Option Explicit
On Error Resume Next

Const N = 8000
Dim folder, fso, dict, i, t0, base, k, p, r, entry
folder = WScript.Arguments(0)
Set fso = CreateObject("Scripting.FileSystemObject")

Sub Check(what)
    If Err.Number <> 0 Then
        WScript.Echo "FAIL " & what & ": " & Err.Number & " " & Err.Description
        WScript.Quit 1
    End If
End Sub

Sub Report(what, ms, baseMs, baseName)
    WScript.Echo Left(what & Space(34), 34) & Right(Space(9) & Fixed(ms, 1), 9) & " ms" & _
        Right(Space(10) & Fixed(ms / baseMs, 2), 10) & "x " & baseName
End Sub

' Round() with digits is not dependable in every script engine: this one is.
Function Fixed(x, digits)
    Fixed = CStr(Int(x * 10 ^ digits + 0.5) / 10 ^ digits)
End Function

Function Ms(start)
    Ms = (Timer - start) * 1000
    If Ms <= 0 Then Ms = 0.1
End Function

' Page lists: 8000 calls over 2000 terms, each term met on four pages as a book prints.
' AddPage beside 8000 Dictionary updates of the same keys (each the best of five runs, as
' other work on the machine slows a single run), and beside the way a report kept page lists
' before AddPage: scan the rows for the term's pages, join, Store. That way takes the square
' of the calls' time, so it runs once, for Keystack; its scan is the same in Pagestack.
Const Terms = 2000
Function TermOf(i)
    TermOf = "Term " & CStr(((i * 7919) Mod Terms) + 10000)
End Function

Function BookPageOf(i)
    BookPageOf = CStr(i \ 20 + 1)
End Function

Function Fastest(a, b)
    Fastest = a
    If b < a Then Fastest = b
End Function

Dim listBase, run, addMs(1), added(1), li, libNames
libNames = Array("Keystack", "Pagestack")
listBase = 1E+30
addMs(0) = 1E+30 : addMs(1) = 1E+30
For run = 1 To 5
    Set dict = CreateObject("Scripting.Dictionary")
    t0 = Timer
    For i = 0 To N - 1
        k = TermOf(i): p = BookPageOf(i)
        dict(k) = p
    Next
    listBase = Fastest(listBase, Ms(t0))
    Check "Dictionary update"
    For li = 0 To 1
        Set added(li) = CreateObject(libNames(li) & ".Entry")
        t0 = Timer
        For i = 0 To N - 1
            k = TermOf(i): p = BookPageOf(i)
            r = added(li).AddPage(k, p)
        Next
        addMs(li) = Fastest(addMs(li), Ms(t0))
        Check libNames(li) & ".AddPage"
        If added(li).Count <> Terms Then WScript.Echo "FAIL " & libNames(li) & ": " & added(li).Count & " rows": WScript.Quit 1
    Next
Next
Report "Dictionary update (baseline)", listBase, listBase, "Dictionary update"
Report "Keystack.AddPage, 2000 terms", addMs(0), listBase, "Dictionary update"
Report "Pagestack.AddPage, 2000 terms", addMs(1), listBase, "Dictionary update"

Dim known, rows, j, same
Set entry = CreateObject("Keystack.Entry")
t0 = Timer
For i = 0 To N - 1
    k = TermOf(i): p = BookPageOf(i)
    known = ""
    rows = entry.Count
    For j = 0 To rows - 1
        If entry.FetchDescription(j) = k Then known = entry.FetchPage(j): Exit For
    Next
    If known = "" Then
        r = entry.Store(k, p)
    ElseIf Right(", " & known, Len(p) + 2) <> ", " & p Then
        r = entry.Store(k, known & ", " & p)
    End If
Next
Report "Keystack scan, join, Store", Ms(t0), listBase, "Dictionary update"
Check "Keystack scan, join, Store"
' A term's four pages lie a hundred apart, so both ways write the same lists.
For j = 0 To Terms - 1
    k = entry.FetchDescription(j)
    same = (added(0).FindPage(k) = entry.FetchPage(j)) And (added(1).FindPage(k) = entry.FetchPage(j))
    If Not same Then WScript.Echo "FAIL " & k & ": the lists differ": WScript.Quit 1
Next
Check "FindPage"

' An index with sub-entries as a report builds it: 6400 AddPage calls of two-level paths, 1600
' main entries with four sub-entries each (8000 rows with the main entries the table adds),
' in descending order and the reader's order, beside Dictionary.Add of the same 6400 keys in
' the same loop; the best of three runs. Goal: within 1.5x.
Const Parents = 1600
Function PathOf(i)  ' descending: each sorts before every path stored before it
    Dim n
    n = Parents * 4 - 1 - i
    PathOf = "Term " & CStr(n \ 4 + 10000) & ">sub " & CStr(n Mod 4)
End Function
Dim pathBase, levelsMs, ratio
pathBase = 1E+30 : levelsMs = 1E+30
For run = 1 To 3
    Set dict = CreateObject("Scripting.Dictionary")
    t0 = Timer
    For i = 0 To Parents * 4 - 1
        k = PathOf(i): p = BookPageOf(i)
        dict.Add k, p
    Next
    pathBase = Fastest(pathBase, Ms(t0))
    Check "Dictionary.Add, paths"
    Set entry = CreateObject("Keystack.Entry")
    r = entry.SetOrder("text") : r = entry.SetLevels(">")
    t0 = Timer
    For i = 0 To Parents * 4 - 1
        k = PathOf(i): p = BookPageOf(i)
        r = entry.AddPage(k, p)
    Next
    levelsMs = Fastest(levelsMs, Ms(t0))
    Check "Keystack.AddPage, two levels"
    If entry.Count <> Parents * 5 Or entry.FetchDescription(1) <> "Term 10000>sub 0" Then
        WScript.Echo "FAIL Keystack: two-level paths stored wrong (" & entry.Count & " rows)": WScript.Quit 1
    End If
Next
Report "Dictionary.Add, 6400 paths", pathBase, pathBase, "Dictionary.Add"
ratio = levelsMs / pathBase
If ratio <= 1.5 Then r = " goal <= 1.5x met" Else r = " goal <= 1.5x MISSED"
Report "Keystack.AddPage, two levels, text", levelsMs, pathBase, "Dictionary.Add" & r
WScript.Echo "BENCH DONE"
