' Times the libraries as a report's formulas call them (through IDispatch, with variables)
' beside the same number of calls to Scripting.Dictionary with the same keys, and the same
' bytes written and read by the FileSystemObject. Each measure is the best of three runs.
' Usage: cscript report_calls.vbs FOLDER
' Prints one line per measure, with its ratio and goal where it has one, and "BENCH DONE" at
' its end (Wine's script host hides errors).
Option Explicit
On Error Resume Next

Const N = 8000
Const RUNS = 3
Const FILES = 50
Dim folder, fso, i, t0, k, p, r, run
folder = WScript.Arguments(0)
Set fso = CreateObject("Scripting.FileSystemObject")

' The i-th term, not in sorted order, so that Keystack inserts everywhere. (Every loop makes
' its keys the same way, so the baseline pays for that too.)
Function KeyOf(i)
    KeyOf = "Term " & CStr(((i * 7919) Mod N) + 10000)
End Function

' The i-th term of an index stored in reverse: each sorts before all the terms before it.
Function DescendingKeyOf(i)
    DescendingKeyOf = "Term " & CStr((N - 1 - i) + 10000)
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

' One line: the measure, its time, its ratio to the baseline and, when it has one, the goal.
Sub Report(what, ms, baseMs, baseName, goal)
    Dim line, ratio
    ratio = ms / baseMs
    line = Left(what & Space(40), 40) & Right(Space(9) & Fixed(ms, 1), 9) & " ms" & _
        Right(Space(8) & Fixed(ratio, 2), 8) & "x " & Left(baseName & Space(24), 24)
    If goal > 0 Then
        line = line & " goal <= " & Fixed(goal, 2) & "x"
        If ratio <= goal Then line = line & " met" Else line = line & " MISSED"
    End If
    WScript.Echo line
End Sub

' Round() with digits is not dependable in every script engine: this one is.
Function Fixed(x, digits)
    Fixed = CStr(Int(x * 10 ^ digits + 0.5) / 10 ^ digits)
End Function

Function Ms(start)
    Ms = (Timer - start) * 1000
    If Ms <= 0 Then Ms = 0.1
End Function

Function Least(a, b)
    If b < a Then Least = b Else Least = a
End Function

' The time of storing the descending keys into a new entry of `lib` in `order` (SetOrder's
' name; "" leaves the ordinal order), each key before all those stored before it.
Function DescendingStoreMs(lib, order)
    On Error Resume Next
    Dim reversed, t0, i, k, p, r, inOrder
    Set reversed = CreateObject(lib & ".Entry")
    If order <> "" Then
        inOrder = " in text order"
        r = reversed.SetOrder(order)
        Check lib & ".SetOrder"
    End If
    t0 = Timer
    For i = 0 To N - 1
        k = DescendingKeyOf(i): p = PageOf(i)
        r = reversed.Store(k, p)
    Next
    DescendingStoreMs = Ms(t0)
    If order = "" Then Check lib & ".Store, descending keys" Else Check lib & ".Store, descending keys, text order"
    If reversed.Count <> N Or reversed.FetchDescription(0) <> DescendingKeyOf(N - 1) Then
        WScript.Echo "FAIL " & lib & ": descending keys stored wrong" & inOrder: WScript.Quit 1
    End If
End Function

' The baselines: 8000 Dictionary.Add calls with the same variables and keys.
Dim dict, base, baseDescending, ms1
base = 1E+30: baseDescending = 1E+30
For run = 1 To RUNS
    Set dict = CreateObject("Scripting.Dictionary")
    t0 = Timer
    For i = 0 To N - 1
        k = KeyOf(i): p = PageOf(i)
        dict.Add k, p
    Next
    base = Least(base, Ms(t0))
    Check "Dictionary.Add"
    Set dict = CreateObject("Scripting.Dictionary")
    t0 = Timer
    For i = 0 To N - 1
        k = DescendingKeyOf(i): p = PageOf(i)
        dict.Add k, p
    Next
    baseDescending = Least(baseDescending, Ms(t0))
    Check "Dictionary.Add, descending keys"
Next
Set dict = Nothing
Report "Dictionary.Add (baseline)", base, base, "Dictionary.Add", 0
Report "Dictionary.Add, descending (baseline)", baseDescending, baseDescending, "Dictionary.Add", 0

Dim lib, entry, saved, newMs, updateMs, fetchMs, descendingMs, textMs, storeGoal
For Each lib In Array("Keystack", "Pagestack")
    newMs = 1E+30: updateMs = 1E+30: fetchMs = 1E+30: descendingMs = 1E+30: textMs = 1E+30
    For run = 1 To RUNS
        Set entry = CreateObject(lib & ".Entry")
        Check "CreateObject " & lib
        t0 = Timer
        For i = 0 To N - 1
            k = KeyOf(i): p = PageOf(i)
            r = entry.Store(k, p)
        Next
        newMs = Least(newMs, Ms(t0))
        Check lib & ".Store"
        t0 = Timer
        For i = 0 To N - 1
            k = KeyOf(i): p = "p" & PageOf(i)
            r = entry.Store(k, p)
        Next
        updateMs = Least(updateMs, Ms(t0))
        Check lib & ".Store, update"
        t0 = Timer
        For i = 0 To N - 1
            r = entry.FetchDescription(i)
        Next
        fetchMs = Least(fetchMs, Ms(t0))
        Check lib & ".FetchDescription"
        If lib = "Keystack" Then
            descendingMs = Least(descendingMs, DescendingStoreMs(lib, ""))
            ' The same in the reader's order (the user's default locale).
            textMs = Least(textMs, DescendingStoreMs(lib, "text"))
        End If
    Next
    If entry.Count <> N Then WScript.Echo "FAIL " & lib & ": stored " & entry.Count & " entries": WScript.Quit 1
    If lib = "Keystack" Then storeGoal = 0 Else storeGoal = 1.1
    Report lib & ".Store, new", newMs, base, "Dictionary.Add", storeGoal
    If lib = "Keystack" Then
        Report lib & ".Store, new, descending keys", descendingMs, baseDescending, "Dictionary.Add", 1.2
        Report lib & ".Store, descending, text order", textMs, baseDescending, "Dictionary.Add", 1.3
    End If
    If lib = "Keystack" Then storeGoal = 1.1 Else storeGoal = 0
    Report lib & ".Store, update", updateMs, base, "Dictionary.Add", storeGoal
    Report lib & ".FetchDescription", fetchMs, base, "Dictionary.Add", 0

    ' Save and NewFile beside writing and reading the same bytes. The script's Timer is a
    ' Single: in the evening it steps by 1/128 s, about two NewFiles of a full table. Each run
    ' times FILES of them, dozens of steps, and counts the time of one.
    Dim text, stream, saveMs, writeMs, loadMs, readMs, f
    saveMs = 1E+30: writeMs = 1E+30: loadMs = 1E+30: readMs = 1E+30
    saved = folder & "\" & lib & "-bench.xml"
    For run = 1 To RUNS
        t0 = Timer
        For f = 1 To FILES
            r = entry.Save(saved)
        Next
        saveMs = Least(saveMs, Ms(t0) / FILES)
        Check lib & ".Save"
        Set stream = fso.OpenTextFile(saved, 1)
        text = stream.ReadAll
        stream.Close
        t0 = Timer
        For f = 1 To FILES
            Set stream = fso.CreateTextFile(folder & "\raw.xml", True)
            stream.Write text
            stream.Close
        Next
        writeMs = Least(writeMs, Ms(t0) / FILES)
        Check "FileSystemObject write"
    Next
    Dim loaded
    Set loaded = CreateObject(lib & ".Entry")
    For run = 1 To RUNS
        t0 = Timer
        For f = 1 To FILES
            Set stream = fso.OpenTextFile(folder & "\raw.xml", 1)
            text = stream.ReadAll
            stream.Close
        Next
        readMs = Least(readMs, Ms(t0) / FILES)
        Check "FileSystemObject read"
        t0 = Timer
        For f = 1 To FILES
            r = loaded.NewFile(saved)
        Next
        loadMs = Least(loadMs, Ms(t0) / FILES)
        Check lib & ".NewFile"
        If loaded.Count <> N Then WScript.Echo "FAIL " & lib & ": loaded " & loaded.Count & " entries": WScript.Quit 1
    Next
    Set loaded = Nothing
    If lib = "Keystack" Then storeGoal = 2 Else storeGoal = 0
    Report lib & ".Save, 8000 entries", saveMs, writeMs, "FileSystemObject write", storeGoal
    Report lib & ".NewFile, 8000 entries", loadMs, readMs, "FileSystemObject read", 0.15
    Set entry = Nothing
Next
WScript.Echo "BENCH DONE"
