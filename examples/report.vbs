' A report's two passes with Keystack and Pagestack, as a report host would run them.
'
' Pass 1 "prints" a small book page by page. Each chapter and section heading is stored in
' a Pagestack.Entry (the table of contents keeps the order of the book); each index term in
' a Keystack.Entry (the index keeps its terms sorted) with AddPage, which adds the page to
' the term's page list ("10, 12, 44"; runs as "32-34"). The index is kept in the reader's
' order (SetOrder "text"): "Lake Baikal" next to "lake", "Etang de Berre" with its accent
' among the E's, "test well 9" before "test well 10". Both tables have levels (SetLevels):
' a section is stored under its chapter ("2 Lakes and Ponds>2.1 How lakes form"), a
' sub-entry under its main entry ("lake>oxbow"); "The Wash" sorts under W (SortAs). Both
' tables are saved as index files.
' Pass 2 is the report that prints the front and back matter: it loads the files with
' NewFile into new objects (the index file brings its order) and lays out the contents and
' the index, with a letter heading above each group of terms (FetchGroup), each row indented
' by its level (FetchLevel) and printed by its last level (FetchLabel).
'
' Usage: cscript //nologo report.vbs FOLDER    (FOLDER receives the two index files)
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
' The book: what each page brings, in the order it prints. H: a heading; T: an index term.
' Wine's VBScript has no ChrW: Chr(201) is "E" with an acute accent in code page 1252.
Dim book
book = Array( _
    "1|H|1 Rivers", "1|T|watershed", "4|T|100-year flood", _
    "2|H|1.1 Sources and headwaters", "2|T|spring", "3|T|headwater", "5|T|alluvial fan", _
    "6|H|1.2 Meanders and oxbows", "6|T|meander", "7|T|lake>oxbow", _
    "9|H|1.3 Deltas", "9|T|delta", "10|T|distributary", "10|T|sediment", "12|T|alluvial fan", _
    "12|T|sediment", _
    "14|H|2 Lakes and Ponds", "14|T|lake", _
    "15|H|2.1 How lakes form", "15|T|glacier", "16|T|lake>kettle", "17|T|lake>oxbow", "18|T|Lake Baikal", _
    "19|H|2.2 Layers and turnover", "19|T|thermocline", "20|T|turnover", _
    "22|H|2.3 Life in still water", "22|T|plankton", "23|T|littoral zone", _
    "26|H|3 Wetlands", "26|T|wetland", _
    "27|H|3.1 Marshes and swamps", "27|T|marsh", "28|T|swamp", "29|T|reed bed", _
    "31|H|3.2 Bogs and fens", "31|T|bog", "32|T|fen", "32|T|peat", "33|T|sphagnum", "33|T|peat", _
    "34|T|peat", "35|T|carbon store", _
    "37|H|4 Estuaries", "37|T|estuary", "37|T|delta", _
    "38|H|4.1 Tides and salinity", "38|T|tide", "38|T|The Wash", "39|T|brackish water", "40|T|salinity", _
    "41|T|" & Chr(201) & "tang de Berre", _
    "42|H|4.2 Salt marshes and mudflats", "42|T|mudflat", "43|T|salt marsh", "44|T|sediment", _
    "46|H|5 Groundwater", "46|T|groundwater", "47|T|watershed", _
    "47|H|5.1 Aquifers", "48|T|aquifer", "49|T|water table", _
    "51|H|5.2 Springs and wells", "51|T|spring", "52|T|well", "53|T|artesian well", _
    "53|T|well>test well 9", "54|T|well>test well 10", "54|T|well>test well 12", _
    "55|H|5.3 Keeping water clean", "55|T|pollution", "57|T|wetland", "58|T|carbon store", _
    "61|H|Index")

Dim folder, contentsFile, indexFile
folder = WScript.Arguments(0)
contentsFile = folder & "\contents.xml"
indexFile = folder & "\index.xml"

Const kTitle = "Still and Running Water: A Field Guide"

WScript.Echo Centered(kTitle)
WScript.Echo Centered(String(Len(kTitle), "="))
WScript.Echo ""
WScript.Echo "Pass 1: the book prints; its formulas call Store for each heading, AddPage for each term"

Dim contents, index, i, item, page, kind, text, result
Set contents = CreateObject("Pagestack.Entry")
Set index = CreateObject("Keystack.Entry")
If Not Succeeded("CreateObject") Then WScript.Quit 1
' The reader's order in the user's default locale, by its full name.
WScript.Echo "  Keystack.Entry orders the index: " & index.SetOrder("text")
' A heading or term below another is stored as a path: its levels joined by ">".
WScript.Echo "  Both read levels separated by: " & contents.SetLevels(">") & " " & index.SetLevels(">")
Call Succeeded("SetOrder and SetLevels")

Dim chapter, number

For i = 0 To UBound(book)
    item = Split(book(i), "|")  ' into a variable first: Wine cannot index a call's result
    page = item(0) : kind = item(1) : text = item(2)
    If kind = "H" Then
        ' A section ("2.1 ...") goes under the chapter last printed.
        number = Split(text, " ")  ' into a variable first: Wine cannot index a call's result
        If InStr(number(0), ".") > 0 Then text = chapter & ">" & text Else chapter = text
        result = contents.Store(text, page)
        Call Succeeded("Store " & text)
    Else
        result = index.AddPage(text, page)
        Call Succeeded("AddPage " & text)
    End If
Next
WScript.Echo "  The Wash sorts as: " & index.SortAs("The Wash", "Wash")
Call Succeeded("SortAs")
WScript.Echo "  Pagestack.Entry holds " & contents.Count & " headings, Keystack.Entry " & index.Count & " index terms"
WScript.Echo "  " & contents.Save(contentsFile)
WScript.Echo "  " & index.Save(indexFile)
Call Succeeded("Save")
Set contents = Nothing
Set index = Nothing

WScript.Echo ""
WScript.Echo "Pass 2: the front and back matter load the files with NewFile"
Dim toc, idx
Set toc = CreateObject("Pagestack.Entry")
Set idx = CreateObject("Keystack.Entry")
WScript.Echo "  " & toc.NewFile(contentsFile)
WScript.Echo "  " & idx.NewFile(indexFile)
WScript.Echo "  The index file brought its order: " & idx.SetOrder("")
Call Succeeded("NewFile")

' --- The table of contents: chapters flush, sections indented by their level.
Dim n, title, space1, level
WScript.Echo ""
WScript.Echo Centered("CONTENTS")
WScript.Echo ""
n = toc.Count
For i = 0 To n - 1
    text = toc.FetchLabel(i)
    page = toc.FetchPage(i)
    level = toc.FetchLevel(i)
    space1 = InStr(text, " ")
    number = "" : title = text
    If space1 > 0 Then
        number = Left(text, space1 - 1)
        title = Mid(text, space1 + 1)
    End If
    If level = 1 And i > 0 Then WScript.Echo ""
    If number = "" Or level > 1 Then
        WScript.Echo Leader(2 + 4 * (level - 1), text, page)
    Else
        WScript.Echo Leader(2, number & "  " & title, page)
    End If
Next
Call Succeeded("table of contents")

' --- The index: grouped under the letter heading of each term; terms that start with
' anything but a letter (a number) have none, and stand first, under "#".
Dim letter, previous
WScript.Echo ""
WScript.Echo Centered("INDEX")
previous = "-"
n = idx.Count
For i = 0 To n - 1
    text = idx.FetchDescription(i)
    letter = idx.FetchGroup(i)
    If letter <> previous Then
        WScript.Echo ""
        If letter = "" Then WScript.Echo "  #" Else WScript.Echo "  " & letter
        previous = letter
    End If
    ' A sub-entry under its main entry, by its own label; a main entry that stands only as the
    ' level above its sub-entries has no page, and prints without leaders.
    If idx.FetchPage(i) = "" Then
        WScript.Echo Space(4 + 2 * (idx.FetchLevel(i) - 1)) & idx.FetchLabel(i)
    Else
        WScript.Echo Leader(4 + 2 * (idx.FetchLevel(i) - 1), idx.FetchLabel(i), idx.FetchPage(i))
    End If
Next
Call Succeeded("index")

' --- What else a report may ask.
WScript.Echo ""
WScript.Echo String(kWidth, "-")
WScript.Echo "  Count:    " & toc.Count & " contents rows, " & idx.Count & " index rows"
WScript.Echo "  MaxPage:  " & toc.MaxPage & " (contents; the index's page lists are text, not numbers)"
Dim keystackInfo, pagestackInfo
Set keystackInfo = CreateObject("Keystack.UFL")
Set pagestackInfo = CreateObject("Pagestack.UFL")
WScript.Echo "  Help(""about""), Keystack.UFL:  " & keystackInfo.Help("about")
WScript.Echo "  Help(""about""), Pagestack.UFL: " & pagestackInfo.Help("about")
Call Succeeded("Count, MaxPage and Help")

' An error reaches the report as Err: a page beyond 16 bits makes MaxPage overflow.
Dim probe, m
Set probe = CreateObject("Pagestack.Entry")
result = probe.Store("Appendix", "40000")
m = probe.MaxPage
WScript.Echo "  MaxPage with page ""40000"": error " & Err.Number & " """ & Err.Description & """"
Err.Clear
' ... and an order the library does not know is error 5, with what it accepts.
result = idx.SetOrder("text:xx-YY")
WScript.Echo "  SetOrder(""text:xx-YY""): error " & Err.Number & " """ & Err.Description & """"
Err.Clear

If failed Then WScript.Quit 1
WScript.Echo String(kWidth, "-")
WScript.Echo "Report finished."
