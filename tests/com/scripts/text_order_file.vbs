' Saves an index in text order whose descriptions hold what Windows' word sort weighs apart
' from letters (hyphens, apostrophes, dashes, tabs, punctuation), for text_order_file_test.sh
' to check with the portable build's indexfile. Prints "ok ..." or "FAIL ..." per step and
' "ALL DONE" at its end. Arguments: a folder for the file.
Option Explicit
On Error Resume Next

Dim folder, index, d, order, saved, path
folder = WScript.Arguments(0)
path = folder & "\text_order.xml"
Set index = CreateObject("Keystack.Entry")
order = index.SetOrder("text:en-US")
If Err.Number <> 0 Or order <> "text:en-US" Then WScript.Echo "FAIL SetOrder: " & Err.Number & " " & order
Err.Clear
For Each d In Array("coop", "co-op", "co'op", "coo-p", "cook", "OBrien", "O'Brien", "Oban", "ball bearing", _
                    "ball" & Chr(9) & "Valves", "ball-bearing", "ballValves", "A & B", "A (B)", "a!b", "a@b", _
                    "AB", "A" & Chr(150) & "B", "AC", "C#", "C++", "x.y", "x_y", "Item 10", "Item 9", _
                    "item 2", Chr(201) & "clair", "eclair", "eclipse", "Lake", "lake", "re-sign", "resign", _
                    "100-year flood", "10-year flood")
    index.Store d, "1"
Next
If Err.Number <> 0 Then WScript.Echo "FAIL Store: " & Err.Number
saved = index.Save(path)
If Left(saved, 15) = "Index saved to " Then
    WScript.Echo "ok saved " & index.Count & " rows in text order"
Else
    WScript.Echo "FAIL Save: " & saved
End If
WScript.Echo "ALL DONE"
