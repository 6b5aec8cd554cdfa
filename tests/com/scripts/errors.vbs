' Errors as a script sees them: a library error reaches Err with its classic number and
' description and gives no value; arguments of no usable type, a wrong argument count and
' an unknown method are refused by the dispatch layer. The object stays usable after each, and
' a refused ShiftPages or AppendPages leaves its table as it was.
' Prints "ok ..."/"FAIL ..." and "ALL DONE".
Option Explicit
On Error Resume Next

Dim failures
failures = 0

Sub Expect(name, actual, expected)
    On Error Resume Next  ' error handling is per procedure
    Dim same
    same = False
    same = (CStr(actual) = CStr(expected))
    If same Then
        WScript.Echo "ok " & name
    Else
        WScript.Echo "FAIL " & name & ": got [" & actual & "], expected [" & expected & "]"
        failures = failures + 1
    End If
End Sub

Sub RunFor(library)
    On Error Resume Next  ' error handling is per procedure
    Dim e, r, n, number, description, source
    Set e = CreateObject(library & ".Entry")
    r = e.Store("Far", "40000")
    Expect library & ": Store(40000) itself succeeds", Err.Number, 0 : Err.Clear

    n = 123
    n = e.MaxPage
    number = Err.Number : description = Err.Description : source = Err.Source
    Err.Clear
    Expect library & ": MaxPage overflow number", number, 6
    Expect library & ": MaxPage overflow description", description, "Overflow"
    Expect library & ": MaxPage overflow source", source, library & ".Entry"
    Expect library & ": no value on error", n, 123

    r = e.FetchDescription("abc")
    number = Err.Number : Err.Clear
    Expect library & ": index of text is a type mismatch", number, 13
    r = e.FetchDescription(70000)
    number = Err.Number : Err.Clear
    Expect library & ": index beyond 16 bits overflows", number, 6
    r = e.Store("only one")
    number = Err.Number : Err.Clear
    Expect library & ": wrong number of arguments", number, 450
    r = e.Nonexistent()
    number = Err.Number : Err.Clear
    Expect library & ": unknown method", number, 438

    n = e.Count
    number = Err.Number : Err.Clear
    Expect library & ": still usable", number & " " & n, "0 1"

    ' ShiftPages and AppendPages: a page outside 0 to 32767 is an overflow, and nothing moves.
    Dim offset, page, folder, file
    r = e.Store("Near", "3, 7-9")
    offset = -4
    n = 99
    n = e.ShiftPages(offset)
    number = Err.Number : description = Err.Description : Err.Clear
    Expect library & ": ShiftPages below 0 overflows", number & " " & description, "6 Overflow"
    Expect library & ": ShiftPages gives no value on error", n, 99
    page = e.FindPage("Near")
    Expect library & ": ShiftPages refused moves nothing", page, "3, 7-9"
    offset = 2
    n = e.ShiftPages(offset)
    page = e.FindPage("Near")
    number = Err.Number : Err.Clear
    Expect library & ": ShiftPages by a variable", number & " " & n & " " & page, "0 1 5, 9-11"
    folder = WScript.Arguments(0)
    file = folder & "\" & library & "-far.xml"
    r = e.Save(file)
    r = e.Clear()
    r = e.Store("Far", "1")
    r = e.AppendPages(file, 67)  ' "40000" is no number of a page list: it stays
    number = Err.Number : Err.Clear
    Expect library & ": AppendPages merges", number & " " & e.FindPage("Far") & "|" & e.FindPage("Near"), _
        "0 1, 40000|72, 76-78"
    r = e.AppendPages(file, 32767 - 10)
    number = Err.Number : description = Err.Description : Err.Clear
    Expect library & ": AppendPages beyond 32767 overflows", number & " " & description, "6 Overflow"
    page = e.FindPage("Near")
    Expect library & ": AppendPages refused changes nothing", e.Count & " " & page, "2 72, 76-78"
End Sub

RunFor "Keystack"
RunFor "Pagestack"
WScript.Echo "ALL DONE"
