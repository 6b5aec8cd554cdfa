' Script variables as arguments. VBScript passes a variable by reference, as a variant; the
' libraries read it as the declared type and leave it alone: after each call the variable
' holds the same value with the same subtype. Also literals, (x) and other subtypes, method
' names in any case, and the Call statement. Prints "ok ..."/"FAIL ..." and "ALL DONE".
Option Explicit
On Error Resume Next

Dim failures
failures = 0

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

Sub RunFor(library)
    On Error Resume Next  ' error handling is per procedure
    Dim e, r, n, d, p, pageLong, i, iText, iDouble, u, h
    Set e = CreateObject(library & ".Entry")
    Expect library & ": create", Err.Number, TypeName(e), "_EntryPages" : Err.Clear

    d = "Alpha" : p = "3"
    r = e.Store(d, p)
    Expect library & ": Store(variables)", Err.Number, r, "Alpha" : Err.Clear
    Expect library & ": description variable kept", 0, TypeName(d) & " " & d, "String Alpha"
    Expect library & ": page variable kept", 0, TypeName(p) & " " & p, "String 3"

    ' A numeric page in an Integer and in a Long variable.
    d = "Beta" : p = 12
    r = e.Store(d, p)
    Expect library & ": Store(Integer page)", Err.Number, r, "Beta" : Err.Clear
    Expect library & ": Integer page kept", 0, TypeName(p) & " " & p, "Integer 12"
    pageLong = CLng(20)
    r = e.Store("Gamma", pageLong)
    Expect library & ": Store(Long page)", Err.Number, r, "Gamma" : Err.Clear
    Expect library & ": Long page kept", 0, TypeName(pageLong) & " " & pageLong, "Long 20"

    ' Literals and parenthesised (by value) arguments.
    r = e.Store("Delta", 7)
    Expect library & ": Store(literals)", Err.Number, r, "Delta" : Err.Clear
    d = "Epsilon"
    r = e.Store((d), ("8"))
    Expect library & ": Store((x))", Err.Number, r, "Epsilon" : Err.Clear
    Call e.Store("Zeta", "30")
    Expect library & ": Call Store", Err.Number, "", "" : Err.Clear

    n = e.Count
    Expect library & ": Count", Err.Number, n, 6 : Err.Clear
    n = e.MaxPage
    Expect library & ": MaxPage over text and numbers", Err.Number, n, 30 : Err.Clear

    ' Index as Integer, Long, String and Double variables.
    i = 1
    r = e.FetchPage(i)
    Dim expectedPage
    expectedPage = e.FetchPage(1)
    Expect library & ": FetchPage(Integer)", Err.Number, r, expectedPage : Err.Clear
    Expect library & ": Integer index kept", 0, TypeName(i) & " " & i, "Integer 1"
    i = CLng(1)
    r = e.FetchPage(i)
    Expect library & ": FetchPage(Long)", Err.Number, r, expectedPage : Err.Clear
    Expect library & ": Long index kept", 0, TypeName(i) & " " & i, "Long 1"
    iText = "1"
    r = e.FetchPage(iText)
    Expect library & ": FetchPage(String)", Err.Number, r, expectedPage : Err.Clear
    Expect library & ": String index kept", 0, TypeName(iText) & " " & iText, "String 1"
    iDouble = 1.0
    r = e.FetchDescription(iDouble)
    Expect library & ": FetchDescription(Double)", Err.Number, Len(r) > 0, True : Err.Clear
    Expect library & ": Double index kept", 0, TypeName(iDouble), "Double"

    ' Method names in any case.
    n = e.COUNT
    Expect library & ": COUNT", Err.Number, n, 6 : Err.Clear
    r = e.store("Eta", "2")
    Expect library & ": store", Err.Number, r, "Eta" : Err.Clear

    ' Help takes its keyword by value.
    Set u = CreateObject(library & ".UFL")
    h = "productdescription"
    r = u.Help(h)
    Expect library & ": Help(variable)", Err.Number, r, "Folioscope" : Err.Clear
    Expect library & ": keyword kept", 0, h, "productdescription"
    r = u.Help("no such keyword")
    Expect library & ": Help(unknown)", Err.Number, r, "" : Err.Clear
End Sub

RunFor "Keystack"
RunFor "Pagestack"
WScript.Echo "ALL DONE"
