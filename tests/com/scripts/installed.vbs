' A report's first calls after an installation: both libraries' Entry and UFL classes are
' created by programmatic identifier, answer from the DLLs the registration names, and save and
' load an index file.
' Arguments: a work folder, the folder the DLLs were registered from, and what Help("version")
' answers for Keystack and for Pagestack. Prints "ok ..." or "FAIL ..." per check and
' "ALL DONE" at its end.
Option Explicit
On Error Resume Next

Dim work, dllFolder, keystackVersion, pagestackVersion
work = WScript.Arguments(0)
dllFolder = WScript.Arguments(1)
keystackVersion = WScript.Arguments(2)
pagestackVersion = WScript.Arguments(3)

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

Dim index, contents, about, r, n, number
Set index = CreateObject("Keystack.Entry")
number = Err.Number : Err.Clear
Expect "create Keystack.Entry", number, TypeName(index), "_EntryPages"
r = index.Store("lake", "9")
Expect "Keystack.Store lake", Err.Number, r, "lake" : Err.Clear
r = index.Store("delta", "4")
Expect "Keystack.Store delta", Err.Number, r, "delta" : Err.Clear
n = index.Count
Expect "Keystack.Count", Err.Number, n, 2 : Err.Clear
r = index.FetchDescription(0)
Expect "Keystack keeps its rows sorted", Err.Number, r, "delta" : Err.Clear

Set about = CreateObject("Pagestack.UFL")
number = Err.Number : Err.Clear
Expect "create Pagestack.UFL", number, TypeName(about), "_UFL"
r = about.Help("version")
Expect "Pagestack.UFL Help(version)", Err.Number, r, pagestackVersion : Err.Clear
r = about.Help("installedfolder")
Expect "Pagestack comes from the registered folder", Err.Number, LCase(r), LCase(dllFolder) : Err.Clear

Set about = CreateObject("Keystack.UFL")
number = Err.Number : Err.Clear
Expect "create Keystack.UFL", number, TypeName(about), "_UFL"
r = about.Help("version")
Expect "Keystack.UFL Help(version)", Err.Number, r, keystackVersion : Err.Clear

Set contents = CreateObject("Pagestack.Entry")
number = Err.Number : Err.Clear
Expect "create Pagestack.Entry", number, TypeName(contents), "_EntryPages"
r = contents.Store("2 Lakes", "9")
r = contents.Store("1 Rivers", "1")
n = contents.Count
Expect "Pagestack.Count", Err.Number, n, 2 : Err.Clear
r = contents.FetchDescription(0)
Expect "Pagestack keeps the stored order", Err.Number, r, "2 Lakes" : Err.Clear

' Each table saved and loaded into a new object of its library.
Sub SaveAndLoad(library, table, first)
    On Error Resume Next
    Dim loaded, file, r, number
    file = work & "\" & library & ".xml"
    r = table.Save(file)
    number = Err.Number : Err.Clear
    Set loaded = CreateObject(library & ".Entry")
    r = loaded.NewFile(file)
    If number = 0 Then number = Err.Number
    Err.Clear
    r = loaded.Count
    Expect library & " saves and loads both rows", number, r, 2 : Err.Clear
    r = loaded.FetchDescription(0)
    Expect library & " loads its rows in order", Err.Number, r, first : Err.Clear
End Sub
SaveAndLoad "Keystack", index, "delta"
SaveAndLoad "Pagestack", contents, "2 Lakes"

WScript.Echo "ALL DONE"
