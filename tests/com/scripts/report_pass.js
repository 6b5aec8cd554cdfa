// The round trip of a report in JScript, which passes its values by value (strings, and
// numbers as 32-bit integers): store, save, load into new objects, list, and the overflow
// error as an exception. Prints "ok ..."/"FAIL ..." per check and "ALL DONE" at its end.
// Argument: a folder for the index files.
var folder = WScript.Arguments(0);

function expect(name, actual, expected) {
    if (String(actual) === String(expected)) WScript.Echo("ok " + name);
    else WScript.Echo("FAIL " + name + ": got [" + actual + "], expected [" + expected + "]");
}

// Runs one check; an exception fails it instead of ending the script.
function check(name, body, expected) {
    try {
        expect(name, body(), expected);
    } catch (e) {
        WScript.Echo("FAIL " + name + ": error " + (e.number & 0xFFFF) + " " + e.description);
    }
}

function rows(entry) {
    var listed = [];
    for (var i = 0; i < entry.Count(); i++) listed.push(entry.FetchDescription(i) + "=" + entry.FetchPage(i));
    return listed.join(";");
}

var libraries = ["Keystack", "Pagestack"];
for (var l = 0; l < libraries.length; l++) {
    var name = libraries[l];
    var file = folder + "\\" + name + ".xml";
    var writer = new ActiveXObject(name + ".Entry");
    check(name + ": Store", function () { return writer.Store("Tides", 14); }, "Tides");
    check(name + ": Store again", function () { return writer.Store("Currents", "3"); }, "Currents");
    check(name + ": Count", function () { return writer.Count(); }, 2);
    check(name + ": Save", function () { return writer.Save(file).indexOf(file) >= 0; }, true);

    var reader = new ActiveXObject(name + ".Entry");
    check(name + ": NewFile", function () { reader.NewFile(file); return reader.Count(); }, 2);
    check(name + ": rows", function () { return rows(reader); },
          name === "Keystack" ? "Currents=3;Tides=14" : "Tides=14;Currents=3");
    check(name + ": MaxPage", function () { return reader.MaxPage(); }, 14);
    check(name + ": AppendFile", function () { reader.AppendFile(file); return reader.Count(); },
          name === "Keystack" ? 2 : 4);

    var ufl = new ActiveXObject(name + ".UFL");
    check(name + ": Help about", function () { return ufl.Help("about").indexOf(name) >= 0; }, true);

    reader.Store("Too far", "40000");
    var caught = "no error";
    try {
        reader.MaxPage();
    } catch (e) {
        caught = (e.number & 0xFFFF) + " " + e.description;
    }
    expect(name + ": MaxPage overflow", caught, "6 Overflow");

    // Page lists: pages as numbers and strings, merged per term; FindPage reads them.
    var lists = new ActiveXObject(name + ".Entry");
    var calls = [["tide", 7], ["wave", "iv"], ["tide", 9], ["tide", "8"], ["wave", 2], ["tide", 7]];
    for (var c = 0; c < calls.length; c++)
        check(name + ": AddPage " + calls[c].join(" "), function () { return lists.AddPage(calls[c][0], calls[c][1]); },
              calls[c][0]);
    check(name + ": AddPage rows", function () { return rows(lists); }, "tide=7-9;wave=2, iv");
    check(name + ": FindPage", function () { return lists.FindPage("wave"); }, "2, iv");
    check(name + ": FindPage missing", function () { return lists.FindPage("surf"); }, "");
    lists.Store("long", new Array(32762).join("x"));  // 32761 characters
    caught = "no error";
    try {
        lists.AddPage("long", 1);
    } catch (e) {
        caught = (e.number & 0xFFFF) + " " + e.description;
    }
    expect(name + ": AddPage of a list too long to save", caught, "6 Overflow");
}
WScript.Echo("ALL DONE");
