' Times the libraries as a report's formulas call them (through IDispatch, with variables)
' beside the same number of calls to Scripting.Dictionary and the same bytes written and read
' by the FileSystemObject. Usage: cscript report_calls.vbs FOLDER
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
WScript.Echo "BENCH DONE"
