' A book printed as several reports, with Keystack and Pagestack: one contents page and one
' index for the whole book.
'
' Pass 1 runs once per chapter. Each chapter is a report of its own and numbers its pages from
' 1: its formulas Store each heading in a Pagestack.Entry and AddPage each index term in a
' Keystack.Entry, and at its end it saves both as the chapter's index files.
' The book pass knows where each chapter starts in the book: after the front matter (the title
' page and the contents) and the chapters before it. It merges every chapter's files into one
' table of contents and one index with AppendPages, each chapter moved by its offset; a term
' on pages of several chapters gets one list with all of them. When the contents turn out to
' need more pages than planned, ShiftPages moves everything that follows.
'
' Usage: cscript //nologo book.vbs FOLDER    (FOLDER receives the index files)
Option Explicit
On Error Resume Next

Const kWidth = 64
Dim failed
failed = False

' Wine's script host does not show script errors, so every step checks for itself.
Function Succeeded(what)
    Succeeded = (Err.Number = 0)
    If Err.Number <> 0 Then
        WScript.Echo "ERROR in " & what & ": " & Err.Number & " " & Err.Description
        failed = True
        Err.Clear
    End If
End Function

Function Centered(text)
    Centered = Space((kWidth - Len(text)) \ 2) & text
End Function

' "  text ........... 12": dot leaders up to the right-aligned pages.
Function Leader(indent, text, pages)
    Dim left, right, dots
    left = Space(indent) & text & " "
    right = " " & pages
    dots = kWidth - Len(left) - Len(right)
    If dots < 3 Then dots = 3
    Leader = left & String(dots, ".") & right
End Function

' ---------------------------------------------------------------------------------------
' The chapters: what each page of a chapter brings, numbered within the chapter.
' H: a heading; T: an index term. The last item of each chapter gives its number of pages.
Dim chapters(2)
chapters(0) = Array( _
    "1|H|1 Rivers", "1|T|watershed", _
    "2|H|1.1 Sources and headwaters", "2|T|spring", "3|T|headwater", "5|T|alluvial fan", _
    "6|H|1.2 Meanders and oxbows", "6|T|meander", "7|T|oxbow lake", _
    "9|H|1.3 Deltas", "9|T|delta", "10|T|sediment", "11|T|sediment", "12|T|sediment", _
    "13|pages")
chapters(1) = Array( _
    "1|H|2 Lakes and Ponds", "1|T|lake", _
    "2|H|2.1 How lakes form", "2|T|glacier", "3|T|kettle lake", "4|T|oxbow lake", _
    "6|H|2.2 Layers and turnover", "6|T|thermocline", "7|T|turnover", _
    "9|H|2.3 Life in still water", "9|T|plankton", "10|T|littoral zone", "10|T|sediment", _
    "11|pages")
chapters(2) = Array( _
    "1|H|3 Wetlands", "1|T|wetland", "1|T|watershed", _
    "2|H|3.1 Marshes and swamps", "2|T|marsh", "3|T|swamp", "4|T|reed bed", _
    "6|H|3.2 Bogs and fens", "6|T|bog", "7|T|fen", "7|T|peat", "8|T|peat", "8|T|sphagnum", _
    "9|T|peat", "10|T|carbon store", "10|T|sediment", _
    "12|pages")

Dim folder, c, i, item, page, kind, text, result, pages(2)
folder = WScript.Arguments(0)

' The file names the reports use, and what they answer without the folder.
Function FileOf(name)
    FileOf = folder & "\" & name
End Function

Function Shown(answer)
    Shown = Replace(answer, folder & "\", "")
End Function

Const kTitle = "Still and Running Water: A Field Guide"
WScript.Echo Centered(kTitle)
WScript.Echo Centered(String(Len(kTitle), "="))
WScript.Echo ""

' --- Pass 1: each chapter prints on its own, pages from 1, and saves its two files.
Dim contents, index
For c = 0 To 2
    WScript.Echo "Pass 1, chapter " & (c + 1) & ": Store for each heading, AddPage for each term"
    Set contents = CreateObject("Pagestack.Entry")
    Set index = CreateObject("Keystack.Entry")
    If Not Succeeded("CreateObject") Then WScript.Quit 1
    For i = 0 To UBound(chapters(c))
        item = Split(chapters(c)(i), "|")  ' into a variable first: Wine cannot index a call's result
        page = item(0) : kind = item(1)
        If kind = "H" Then
            text = item(2)
            result = contents.Store(text, page)
            Call Succeeded("Store " & text)
        ElseIf kind = "T" Then
            text = item(2)
            result = index.AddPage(text, page)
            Call Succeeded("AddPage " & text)
        Else
            pages(c) = CInt(page)
        End If
    Next
    WScript.Echo "  " & pages(c) & " pages, " & contents.Count & " headings, " & index.Count & " index terms"
    WScript.Echo "  " & Shown(contents.Save(FileOf("chapter" & (c + 1) & "-contents.xml")))
    WScript.Echo "  " & Shown(index.Save(FileOf("chapter" & (c + 1) & "-index.xml")))
    Call Succeeded("Save")
    Set contents = Nothing
    Set index = Nothing
Next

' --- The book pass: every chapter's files, each moved to where the chapter starts.
Const kRowsPerContentsPage = 5
Dim toc, idx, front, offset, needed
WScript.Echo ""
WScript.Echo "The book pass: AppendPages of each chapter's files, moved by the pages before it"
Set toc = CreateObject("Pagestack.Entry")
Set idx = CreateObject("Keystack.Entry")
front = 3  ' planned: the title page and two pages of contents
offset = front
For c = 0 To 2
    WScript.Echo "  chapter " & (c + 1) & " starts on page " & (offset + 1) & ", offset " & offset
    WScript.Echo "    " & toc.AppendPages(FileOf("chapter" & (c + 1) & "-contents.xml"), offset)
    WScript.Echo "    " & idx.AppendPages(FileOf("chapter" & (c + 1) & "-index.xml"), offset)
    Call Succeeded("AppendPages, chapter " & (c + 1))
    offset = offset + pages(c)
Next

' The contents need one line per heading: more pages than planned move every page after them.
needed = 1 + (toc.Count + kRowsPerContentsPage - 1) \ kRowsPerContentsPage
If needed > front Then
    WScript.Echo "  the contents need " & (needed - 1) & " pages, not " & (front - 1) & _
        ": ShiftPages " & (needed - front) & " moves " & toc.ShiftPages(needed - front) & _
        " headings and " & idx.ShiftPages(needed - front) & " index terms"
    Call Succeeded("ShiftPages")
    front = needed
End If
WScript.Echo "  " & Shown(toc.Save(FileOf("book-contents.xml")))
WScript.Echo "  " & Shown(idx.Save(FileOf("book-index.xml")))
Call Succeeded("Save")

' --- The contents: chapters flush, sections indented.
Dim n, number, title, space1
WScript.Echo ""
WScript.Echo Centered("CONTENTS")
n = toc.Count
For i = 0 To n - 1
    text = toc.FetchDescription(i)
    page = toc.FetchPage(i)
    space1 = InStr(text, " ")
    number = Left(text, space1 - 1)
    title = Mid(text, space1 + 1)
    If InStr(number, ".") > 0 Then
        WScript.Echo Leader(6, number & "  " & title, page)
    Else
        WScript.Echo ""
        WScript.Echo Leader(2, number & "  " & title, page)
    End If
Next
Call Succeeded("contents")

' --- The index: one row per term, with the pages of every chapter.
Dim letter, previous
WScript.Echo ""
WScript.Echo Centered("INDEX")
previous = ""
n = idx.Count
For i = 0 To n - 1
    text = idx.FetchDescription(i)
    letter = UCase(Left(text, 1))
    If letter <> previous Then
        WScript.Echo ""
        WScript.Echo "  " & letter
        previous = letter
    End If
    WScript.Echo Leader(4, text, idx.FetchPage(i))
Next
Call Succeeded("index")

WScript.Echo ""
WScript.Echo String(kWidth, "-")
WScript.Echo "  " & toc.Count & " headings and " & idx.Count & " index terms on pages " & (front + 1) & " to " & _
    (offset + front - 3)
If failed Then WScript.Quit 1
WScript.Echo "Book finished."
