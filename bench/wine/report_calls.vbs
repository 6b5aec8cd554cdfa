' Times the libraries as a report's formulas call them (through IDispatch, with variables)
' beside the same number of calls to Scripting.Dictionary and the same bytes written and read
' by the FileSystemObject; and page lists built with AddPage beside Dictionary updates and
' beside a scan of the rows for each call. Usage: cscript report_calls.vbs FOLDER
' Prints one line per measure and "BENCH DONE" at its end (Wine's script host hides errors).
Option Explicit
On Error Resume Next

Const N = 8000
Dim folder, fso, dict, i, t0, base, k, p, r
folder = WScript.Arguments(0)
Set fso = CreateObject("Scripting.FileSystemObject")

' The i-th term, not in sorted order, so that Keystack inserts everywhere. (Every loop makes
' its keys the same way, so the baseline pays for that too.)
Function KeyOf(i)
    KeyOf = "Term " & CStr(((i * 7919) Mod N) + 10000)
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

' The baseline: 8000 Dictionary.Add calls with the same variables.
Set dict = CreateObject("Scripting.Dictionary")
t0 = Timer
For i = 0 To N - 1
    k = KeyOf(i): p = PageOf(i)
    dict.Add k, p
Next
base = Ms(t0)
Check "Dictionary.Add"
Report "Dictionary.Add (baseline)", base, base, "Dictionary.Add"

Dim lib, entry, saved, ksFile
For Each lib In Array("Keystack", "Pagestack")
    Set entry = CreateObject(lib & ".Entry")
    Check "CreateObject " & lib
    t0 = Timer
    For i = 0 To N - 1
        k = KeyOf(i): p = PageOf(i)
        r = entry.Store(k, p)
    Next
    Report lib & ".Store, new", Ms(t0), base, "Dictionary.Add"
    Check lib & ".Store"
    t0 = Timer
    For i = 0 To N - 1
        k = KeyOf(i): p = "p" & PageOf(i)
        r = entry.Store(k, p)
    Next
    Report lib & ".Store, update", Ms(t0), base, "Dictionary.Add"
    t0 = Timer
    For i = 0 To N - 1
        r = entry.FetchDescription(i)
    Next
    Report lib & ".FetchDescription", Ms(t0), base, "Dictionary.Add"
    Check lib & ".FetchDescription"

    ' Save and NewFile beside writing and reading the same bytes.
    saved = folder & "\" & lib & "-bench.xml"
    t0 = Timer
    r = entry.Save(saved)
    Dim saveMs: saveMs = Ms(t0)
    Check lib & ".Save"
    Dim text, stream
    Set stream = fso.OpenTextFile(saved, 1)
    text = stream.ReadAll
    stream.Close
    t0 = Timer
    Set stream = fso.CreateTextFile(folder & "\raw.xml", True)
    stream.Write text
    stream.Close
    Dim writeMs: writeMs = Ms(t0)
    Report lib & ".Save, 8000 entries", saveMs, writeMs, "FileSystemObject write"

    t0 = Timer
    Set stream = fso.OpenTextFile(folder & "\raw.xml", 1)
    text = stream.ReadAll
    stream.Close
    Dim readMs: readMs = Ms(t0)
    Set entry = CreateObject(lib & ".Entry")
    t0 = Timer
    r = entry.NewFile(saved)
    Report lib & ".NewFile, 8000 entries", Ms(t0), readMs, "FileSystemObject read"
    Check lib & ".NewFile"
    If entry.Count <> N Then WScript.Echo "FAIL " & lib & ": loaded " & entry.Count & " entries": WScript.Quit 1
Next
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
WScript.Echo "BENCH DONE"
