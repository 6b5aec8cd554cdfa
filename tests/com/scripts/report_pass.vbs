' The round trip of a report, in VBScript: a first pass stores headings (Pagestack) and index
' terms (Keystack) as it prints, and saves both; a second pass loads them into new objects
' and lists them. Prints "ok ..." or "FAIL ..." per check and "ALL DONE" at its end.
' Argument: a folder for the index files.
Option Explicit
On Error Resume Next

Dim folder, failures
folder = WScript.Arguments(0)
failures = 0

' Every call is made on its own line and its error number taken right after it: an error
' inside an If condition or an argument list would be lost under On Error Resume Next.
Sub Expect(name, errorNumber, actual, expected)
    On Error Resume Next  ' error handling is per procedure
    Dim same
    same = False
    same = (CStr(actual) = CStr(expected))
    If errorNumber <> 0 Then
        WScript.Echo "FAIL " & name & ": error " & errorNumber
        failures = failures + 1
    ElseIf same Then
        WScript.Echo "ok " & name
    Else
        WScript.Echo "FAIL " & name & ": got [" & actual & "], expected [" & expected & "]"
        failures = failures + 1
    End If
End Sub

Dim contents, index, r, n, heading, page, i
Set contents = CreateObject("Pagestack.Entry")
Expect "create Pagestack.Entry", Err.Number, TypeName(contents), "_EntryPages" : Err.Clear
Set index = CreateObject("Keystack.Entry")
Expect "create Keystack.Entry", Err.Number, TypeName(index), "_EntryPages" : Err.Clear

' First pass: headings from variables (passed by reference), index terms as literals.
Dim headings(3), pages(3)
headings(0) = "1 Rivers" : pages(0) = "1"
headings(1) = "2 Lakes" : pages(1) = "9"
headings(2) = "3 Wetlands" : pages(2) = "17"
headings(3) = "Index" : pages(3) = "25"
For i = 0 To 3
    heading = headings(i) : page = pages(i)
    r = contents.Store(heading, page)
    Expect "Pagestack.Store " & heading, Err.Number, r, heading : Err.Clear
Next
r = index.Store("wetland", "17")
Expect "Keystack.Store wetland", Err.Number, r, "wetland" : Err.Clear
r = index.Store("delta", "4")
Expect "Keystack.Store delta", Err.Number, r, "delta" : Err.Clear
r = index.Store("lake", "9")
Expect "Keystack.Store lake", Err.Number, r, "lake" : Err.Clear
r = index.Store("delta", "12")  ' a term met again keeps one row
Expect "Keystack.Store delta again", Err.Number, r, "delta" : Err.Clear

n = contents.Count
Expect "Pagestack.Count", Err.Number, n, 4 : Err.Clear
n = index.Count
Expect "Keystack.Count", Err.Number, n, 3 : Err.Clear

Dim contentsFile, indexFile
contentsFile = folder & "\contents.xml"
indexFile = folder & "\index.xml"
r = contents.Save(contentsFile)
Expect "Pagestack.Save reports the file", Err.Number, InStr(r, contentsFile) > 0, True : Err.Clear
r = index.Save(indexFile)
Expect "Keystack.Save reports the file", Err.Number, InStr(r, indexFile) > 0, True : Err.Clear
Set contents = Nothing
Set index = Nothing

' Second pass: new objects load the files.
Dim toc, idx
Set toc = CreateObject("Pagestack.Entry")
Set idx = CreateObject("Keystack.Entry")
r = toc.NewFile(contentsFile)
Expect "Pagestack.NewFile", Err.Number, InStr(r, "4 Table of Contents") > 0, True : Err.Clear
n = toc.Count
Expect "... Count", Err.Number, n, 4 : Err.Clear
r = idx.NewFile(indexFile)
Expect "Keystack.NewFile", Err.Number, InStr(r, "3 Index") > 0, True : Err.Clear
n = idx.Count
Expect "... Count", Err.Number, n, 3 : Err.Clear

' Pagestack lists in the order stored; Keystack in alphabetical order.
Dim listed
listed = ""
For i = 0 To toc.Count - 1
    listed = listed & toc.FetchDescription(i) & "=" & toc.FetchPage(i) & ";"
Next
Expect "Pagestack rows in stored order", Err.Number, listed, "1 Rivers=1;2 Lakes=9;3 Wetlands=17;Index=25;" : Err.Clear
listed = ""
For i = 0 To idx.Count - 1
    listed = listed & idx.FetchDescription(i) & "=" & idx.FetchPage(i) & ";"
Next
Expect "Keystack rows in alphabetical order", Err.Number, listed, "delta=12;lake=9;wetland=17;" : Err.Clear

n = toc.MaxPage
Expect "Pagestack.MaxPage", Err.Number, n, 25 : Err.Clear
n = idx.MaxPage()
Expect "Keystack.MaxPage", Err.Number, n, 17 : Err.Clear

' Each reads the other's files.
Dim cross
Set cross = CreateObject("Keystack.Entry")
r = cross.NewFile(contentsFile)
n = cross.Count
Expect "Keystack loads a Pagestack file", Err.Number, n, 4 : Err.Clear
r = cross.FetchDescription(3)
Expect "... sorted", Err.Number, r, "Index" : Err.Clear

Dim ufl, about
Set ufl = CreateObject("Keystack.UFL")
about = ufl.Help("about")
Expect "Keystack.UFL about names the library", Err.Number, InStr(about, "Keystack") > 0, True : Err.Clear
Set ufl = CreateObject("Pagestack.UFL")
about = ufl.Help("ABOUT")
Expect "Pagestack.UFL about names the library", Err.Number, InStr(about, "Pagestack") > 0, True : Err.Clear

r = toc.Clear
n = toc.Count
Expect "Pagestack.Clear", Err.Number, n, 0 : Err.Clear

' Page lists: AddPage keeps every page of a term met again, FindPage reads them, and a
' saved list loads back as the term's page.
Dim lib, terms, termPages, lists, term, listFile, found, libs(1)
libs(0) = "Keystack" : libs(1) = "Pagestack"
terms = Array("sediment", "peat", "sediment", "peat", "peat", "sediment", "Preface")
termPages = Array(44, 33, 10, 32, 34, 12, "iv")  ' numbers, as a report's page variable holds them
For Each lib In libs
    Set lists = CreateObject(lib & ".Entry")
    For i = 0 To UBound(terms)
        term = terms(i) : page = termPages(i)
        r = lists.AddPage(term, page)
        Expect lib & ".AddPage " & term & " " & page, Err.Number, r, term : Err.Clear
    Next
    n = lists.Count
    Expect lib & " AddPage keeps one row per term", Err.Number, n, 3 : Err.Clear
    found = lists.FindPage("sediment")
    Expect lib & ".FindPage sediment", Err.Number, found, "10, 12, 44" : Err.Clear
    found = lists.FindPage("peat")
    Expect lib & ".FindPage peat", Err.Number, found, "32-34" : Err.Clear
    found = lists.FindPage("bog")
    Expect lib & ".FindPage of a missing term", Err.Number, found, "" : Err.Clear
    r = lists.AddPage("", "1")
    Expect lib & ".AddPage blank", Err.Number, r, "ERROR: Description cannot be blank" : Err.Clear
    listFile = folder & "\" & lib & "-lists.xml"
    r = lists.Save(listFile)
    Set lists = CreateObject(lib & ".Entry")
    r = lists.NewFile(listFile)
    r = lists.AddPage("peat", "35")
    found = lists.FindPage("peat")
    Expect lib & " a loaded list merges", Err.Number, found, "32-35" : Err.Clear
    r = lists.Store("peat", "3")
    found = lists.FindPage("peat")
    Expect lib & " Store still replaces the page", Err.Number, found, "3" : Err.Clear
    r = lists.Store("long", String(32760, "x"))
    r = lists.AddPage("long", "1")
    n = Err.Number : Err.Clear
    Expect lib & " a list too long to save is refused", 0, n, 6
    found = Len(lists.FindPage("long"))
    Expect lib & " ... and the row keeps its page", Err.Number, found, 32760 : Err.Clear
Next

' The index in the reader's order: text order by one call, recorded in the file, so that the
' second pass lists the index as the first pass sorted it; a heading per letter. (Wine's
' VBScript has no ChrW: Chr reads code page 1252, where 246 is "o" with diaeresis.)
Dim ordered, reread, ordering, number, description, orderFile, oe
oe = Chr(246) & "l"
Set ordered = CreateObject("Keystack.Entry")
ordering = "TEXT:sv-se"
r = ordered.SetOrder(ordering)
Expect "Keystack.SetOrder from a variable", Err.Number, r, "text:sv-SE" : Err.Clear
Expect "... which keeps its value", 0, ordering, "TEXT:sv-se"
terms = Array("Zebra", oe, "item 10", "Item 9", "apple", "Apple")
For i = 0 To UBound(terms)
    term = terms(i)
    r = ordered.Store(term, i + 1)
Next
listed = ""
For i = 0 To ordered.Count - 1
    listed = listed & ordered.FetchDescription(i) & "/" & ordered.FetchGroup(i) & ";"
Next
Expect "Keystack rows and headings in Swedish order", Err.Number, listed, _
    "Apple/A;apple/A;Item 9/I;item 10/I;Zebra/Z;" & oe & "/" & Chr(214) & ";" : Err.Clear
r = ordered.FetchGroup(6)
Expect "FetchGroup past the rows", Err.Number, r, "" : Err.Clear
r = "kept"
r = ordered.SetOrder("alphabetical")
number = Err.Number : description = Err.Description : Err.Clear
Expect "an unknown order is error 5", 0, number, 5
Expect "... which says what is accepted", 0, InStr(description, """text:"" followed by a locale name") > 0, True
Expect "... and gives no value", 0, r, "kept"
r = ordered.SetOrder("")
Expect "... and changes nothing", Err.Number, r, "text:sv-SE" : Err.Clear
orderFile = folder & "\ordered.xml"
r = ordered.Save(orderFile)
Set reread = CreateObject("Keystack.Entry")
r = reread.NewFile(orderFile)
r = reread.SetOrder("")
Expect "the second pass takes the file's order", Err.Number, r, "text:sv-SE" : Err.Clear
r = reread.FetchDescription(5)
Expect "... and lists the rows in it", Err.Number, r, oe : Err.Clear
Set reread = CreateObject("Pagestack.Entry")
r = reread.SetOrder("ordinal")
Expect "Pagestack.SetOrder ordinal", Err.Number, r, "ordinal" : Err.Clear
r = reread.SetOrder("text")
number = Err.Number : Err.Clear
Expect "Pagestack refuses a text order with error 5", 0, number, 5
r = reread.NewFile(orderFile)
n = reread.Count
Expect "Pagestack loads a file with an order", Err.Number, n, 6 : Err.Clear

WScript.Echo "ALL DONE"
