' A report host's first use of the installed package: both libraries' Entry and UFL classes
' are created by programmatic identifier, answer from the install folder, and store, save and
' load an index file.
' Arguments: a work folder, the install folder, and what Help("version") answers for Keystack
' and for Pagestack. Prints "ok ..." or "FAIL ..." per check and "ALL DONE" at its end.
Option Explicit
On Error Resume Next

Dim work, folder, versions
work = WScript.Arguments(0)
folder = WScript.Arguments(1)
Set versions = CreateObject("Scripting.Dictionary")
versions.Add "Keystack", WScript.Arguments(2)
versions.Add "Pagestack", WScript.Arguments(3)

' Every call is made on its own line and its error number taken right after it: an error
' inside an If condition or an argument list would be lost under On Error Resume Next.
Sub Expect(name, errorNumber, actual, expected)
    On Error Resume Next  ' error handling is per procedure
    Dim same
    same = False
    same = (CStr(actual) = CStr(expected))
    If errorNumber <> 0 Then
        WScript.Echo "FAIL " & name & ": error " & errorNumber
    ElseIf same Then
        WScript.Echo "ok " & name
    Else
        WScript.Echo "FAIL " & name & ": got [" & actual & "], expected [" & expected & "]"
    End If
End Sub

' Stores two rows, saves them, and loads the file into a new object. Keystack sorts its rows,
' Pagestack keeps them as stored: FIRST and its PAGE are the row each shows first.
Sub UseLibrary(library, first, page)
    On Error Resume Next
    Dim about, table, loaded, file, r, n, number
    Set about = CreateObject(library & ".UFL")
    number = Err.Number : Err.Clear
    Expect "create " & library & ".UFL", number, TypeName(about), "_UFL"
    r = about.Help("version")
    Expect library & ".UFL Help(version)", Err.Number, r, versions(library) : Err.Clear
    r = about.Help("installedfolder")
    Expect library & " answers from the install folder", Err.Number, LCase(r), LCase(folder) : Err.Clear

    Set table = CreateObject(library & ".Entry")
    number = Err.Number : Err.Clear
    Expect "create " & library & ".Entry", number, TypeName(table), "_EntryPages"
    r = table.Store("lake", "9")
    Expect library & ".Store lake", Err.Number, r, "lake" : Err.Clear
    r = table.Store("delta", "4")
    Expect library & ".Store delta", Err.Number, r, "delta" : Err.Clear
    file = work & "\" & library & ".xml"
    r = table.Save(file)
    number = Err.Number : Err.Clear
    Expect library & ".Save", number, "saved", "saved"

    Set loaded = CreateObject(library & ".Entry")
    r = loaded.NewFile(file)
    number = Err.Number : Err.Clear
    Expect library & ".NewFile", number, "loaded", "loaded"
    n = loaded.Count
    Expect library & " loads both rows", Err.Number, n, 2 : Err.Clear
    r = loaded.FetchDescription(0)
    Expect library & " loads its first row", Err.Number, r, first : Err.Clear
    r = loaded.FetchPage(0)
    Expect library & " loads its first row's page", Err.Number, r, page : Err.Clear
End Sub

UseLibrary "Keystack", "delta", "4"
UseLibrary "Pagestack", "lake", "9"

WScript.Echo "ALL DONE"
