' A book's index through IDispatch: AppendPages of a chapter's file of 8000 terms into a table
' of the same 8000 terms (each term's pages merged, moved by 120), beside AppendFile of the same
' file (each term's page replaced). Each call runs on the table loaded afresh by NewFile; each
' measure is the best of five runs.
' Usage: cscript book_pages.vbs FOLDER
' Prints one line per measure and "BENCH DONE" at its end (Wine's script host hides errors).
Option Explicit
On Error Resume Next

Const N = 8000
Const RUNS = 5
Const FILES = 20
Dim folder, i, t0, k, p, r, run, f, loadMs
folder = WScript.Arguments(0)

Sub Check(what)
    If Err.Number <> 0 Then
        WScript.Echo "FAIL " & what & ": " & Err.Number & " " & Err.Description
        WScript.Quit 1
    End If
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

' The i-th term, not in sorted order, so that Keystack inserts everywhere while the files
' are made.
Function KeyOf(i)
    KeyOf = "Term " & CStr(((i * 7919) Mod N) + 10000)
End Function

' The chapter's pages: one page mostly, a range and a page now and then.
Function ChapterPageOf(i)
    Dim page
    page = (i * 7) Mod 300 + 1
    If i Mod 4 = 0 Then
        ChapterPageOf = CStr(page) & "-" & CStr(page + 2) & ", " & CStr(page + 9)
    Else
        ChapterPageOf = CStr(page)
    End If
End Function

Dim lib, table, chapter, entry, tableFile, chapterFile, appendMs, pagesMs, ratio, line, expected
For Each lib In Array("Keystack", "Pagestack")
    tableFile = folder & "\" & lib & "-book-table.xml"
    chapterFile = folder & "\" & lib & "-book-chapter.xml"
    Set table = CreateObject(lib & ".Entry")
    Set chapter = CreateObject(lib & ".Entry")
    Check "CreateObject " & lib
    For i = 0 To N - 1
        k = KeyOf(i)
        p = CStr(i Mod 400 + 1)
        r = table.Store(k, p)
        p = ChapterPageOf(i)
        r = chapter.Store(k, p)
    Next
    r = table.Save(tableFile)
    r = chapter.Save(chapterFile)
    Check lib & ": the files"
    Set table = Nothing
    Set chapter = Nothing

    ' The script's timer ticks in steps of several milliseconds: each run times FILES calls,
    ' each on the table loaded afresh, and takes off the time of loading it alone.
    Set entry = CreateObject(lib & ".Entry")
    loadMs = 1E+30: appendMs = 1E+30: pagesMs = 1E+30
    expected = "Append " & N
    If lib = "Pagestack" Then expected = "Append " & (N + 1)  ' a full table takes one row more
    For run = 1 To RUNS
        t0 = Timer
        For f = 1 To FILES
            r = entry.NewFile(tableFile)
        Next
        loadMs = Least(loadMs, Ms(t0) / FILES)
        Check lib & ".NewFile"
        t0 = Timer
        For f = 1 To FILES
            r = entry.NewFile(tableFile)
            r = entry.AppendFile(chapterFile)
        Next
        appendMs = Least(appendMs, Ms(t0) / FILES)
        Check lib & ".AppendFile"
        If Left(r, Len(expected) + 1) <> expected & " " Then WScript.Echo "FAIL " & lib & ".AppendFile: " & r: WScript.Quit 1
        t0 = Timer
        For f = 1 To FILES
            r = entry.NewFile(tableFile)
            r = entry.AppendPages(chapterFile, 120)
        Next
        pagesMs = Least(pagesMs, Ms(t0) / FILES)
        Check lib & ".AppendPages"
        If Left(r, Len("Append " & N) + 1) <> "Append " & N & " " Then WScript.Echo "FAIL " & lib & ".AppendPages: " & r: WScript.Quit 1
    Next
    appendMs = appendMs - loadMs
    pagesMs = pagesMs - loadMs
    ' Term 10000 (i = 0) stood on page 1; the chapter had it on 1-3 and 10, moved by 120.
    r = entry.FindPage("Term 10000")
    If r <> "1, 121-123, 130" Then WScript.Echo "FAIL " & lib & ": Term 10000 on " & r: WScript.Quit 1
    ratio = pagesMs / appendMs
    line = Left(lib & ".AppendFile, 8000 into 8000" & Space(40), 40) & Right(Space(9) & Fixed(appendMs, 1), 9) & " ms"
    WScript.Echo Left(lib & ".NewFile of the table" & Space(40), 40) & Right(Space(9) & Fixed(loadMs, 1), 9) & " ms"
    WScript.Echo line
    line = Left(lib & ".AppendPages, 8000 into 8000" & Space(40), 40) & Right(Space(9) & Fixed(pagesMs, 1), 9) & " ms" & _
        Right(Space(8) & Fixed(ratio, 2), 8) & "x AppendFile              goal <= 2x"
    If ratio <= 2 Then line = line & " met" Else line = line & " MISSED"
    WScript.Echo line
    Set entry = Nothing
Next
WScript.Echo "BENCH DONE"
