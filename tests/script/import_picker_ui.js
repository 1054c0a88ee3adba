// SelectFilesAndFolders called from JScript while a driver program (tests/ui) operates the real
// Import dialog, file dialog and folder browser; the arrays are read back through VBArray.

var driverPath = WScript.Arguments(1);
var root = fso.GetSpecialFolder(2).Path + "\\fernwick-picker-js";
// Folder paths whose code-unit order differs both from the order of adding and from the order of
// their display names.
var laterFolder = root + "\\D\\A";
var earlierFolder = root + "\\C\\B";
var pair = root + "\\pair";
var single = root + "\\single";

removeFolder(root);
makeFolders(laterFolder);
makeFolders(earlierFolder);
makeFolders(pair);
makeFolders(single);
createFile(pair + "\\a.xml");
createFile(pair + "\\B.xml");
createFile(single + "\\c.xml");

function newPicker() {
    return new ActiveXObject("PexanFernwick.ImportPicker");
}

// Runs SelectFilesAndFolders while the driver performs `steps`; the driver must have done them all
// (it leaves the report file before its last press, and only then).
var report = root + "\\driver-done";
function select(picker, folder, file, filter, steps) {
    if (fso.FileExists(report)) fso.DeleteFile(report);
    shell.Run('"' + driverPath + '" "' + report + '" ' + steps, 0, false);
    var result = picker.SelectFilesAndFolders(folder, file, filter);
    check("driver finished [" + steps + "]", fso.FileExists(report), true);
    return result;
}

function quoted(path) {
    return '"' + path + '"';
}

function checkArray(what, value, expected) {
    var array = new VBArray(value);
    check(what + " lbound", array.lbound(), 0);
    check(what + " ubound", array.ubound(), expected.length - 1);
    var items = array.toArray();
    check(what + " length", items.length, expected.length);
    for (var i = 0; i < expected.length; i++) check(what + "[" + i + "]", items[i], expected[i]);
}

test("aNewObjectHasEmptyArraysAndTexts", function () {
    var picker = newPicker();
    checkArray("new SelectedFolders", picker.SelectedFolders, []);
    checkArray("new SelectedFiles", picker.SelectedFiles, []);
    check("new LastSelectedFolder", picker.LastSelectedFolder, "");
    check("new LastSelectedFile", picker.LastSelectedFile, "");
});

test("cancelReturnsFalseAndTakesTheTextsHandedIn", function () {
    var picker = newPicker();
    check("cancel result", select(picker, "C:\\Last", "C:\\Last\\last.xml", "", "cancel"), false);
    checkArray("SelectedFolders after cancel", picker.SelectedFolders, []);
    checkArray("SelectedFiles after cancel", picker.SelectedFiles, []);
    check("LastSelectedFolder after cancel", picker.LastSelectedFolder, "C:\\Last");
    check("LastSelectedFile after cancel", picker.LastSelectedFile, "C:\\Last\\last.xml");
});

test("foldersComeBackOrderedByCodeUnits", function () {
    var picker = newPicker();
    check("ok result", select(picker, "", "", "",
                              "add-folder " + quoted(laterFolder) + " add-folder " +
                                  quoted(earlierFolder) + " ok"),
          true);
    checkArray("SelectedFolders", picker.SelectedFolders, [earlierFolder, laterFolder]);
    var items = new VBArray(picker.SelectedFolders).toArray();
    check("element type", typeof items[0], "string");
    checkArray("SelectedFiles without files", picker.SelectedFiles, []);
    check("LastSelectedFolder is the folder added last", picker.LastSelectedFolder, earlierFolder);
    check("LastSelectedFile is the one handed in", picker.LastSelectedFile, "");
});

test("okRunsAppendAndCancelKeepsTheArrays", function () {
    var picker = newPicker();
    check("first ok", select(picker, laterFolder, pair + "\\a.xml", "XML files|*.xml|",
                             "add-files 2 ok"),
          true);
    var firstFiles = [pair + "\\B.xml", pair + "\\a.xml"];
    checkArray("SelectedFiles after the first call", picker.SelectedFiles, firstFiles);
    check("LastSelectedFolder without Add Folder", picker.LastSelectedFolder, laterFolder);
    var last = picker.LastSelectedFile;
    check("LastSelectedFile is one of the files", last === firstFiles[0] || last === firstFiles[1],
          true);

    // Two reads are two copies; neither follows later calls.
    var copy = picker.SelectedFiles;
    var otherCopy = picker.SelectedFiles;

    check("second ok", select(picker, laterFolder, single + "\\c.xml", "",
                              "add-files 1 add-folder " + quoted(laterFolder) + " ok"),
          true);
    var allFiles = [firstFiles[0], firstFiles[1], single + "\\c.xml"];
    checkArray("SelectedFiles after the second call", picker.SelectedFiles, allFiles);
    checkArray("SelectedFolders after the second call", picker.SelectedFolders, [laterFolder]);
    check("LastSelectedFile after the second call", picker.LastSelectedFile, single + "\\c.xml");
    checkArray("earlier copy", copy, firstFiles);
    checkArray("other earlier copy", otherCopy, firstFiles);

    check("third ok", select(picker, "", "", "", "add-folder " + quoted(laterFolder) + " ok"),
          true);
    checkArray("a folder chosen twice is held twice", picker.SelectedFolders,
               [laterFolder, laterFolder]);

    check("cancel", select(picker, "C:\\Other", "", "", "cancel"), false);
    checkArray("SelectedFiles kept by cancel", picker.SelectedFiles, allFiles);
    checkArray("SelectedFolders kept by cancel", picker.SelectedFolders,
               [laterFolder, laterFolder]);
    check("LastSelectedFolder handed in to cancel", picker.LastSelectedFolder, "C:\\Other");
    check("LastSelectedFile handed in to cancel", picker.LastSelectedFile, "");
});

test("dropsAndTheDeleteKeyGatherAsTheChoosersAndRemoveDo", function () {
    var picker = newPicker();
    var a = pair + "\\a.xml", b = pair + "\\B.xml", c = single + "\\c.xml";
    // On a command line a backslash before a closing quote is doubled: "C:\\" is C:\.
    var driveRoot = "C:\\\\";
    check("ok after drops", select(picker, "C:\\Last", "", "",
                                   "drop " + quoted([b, laterFolder, a].join("|")) +
                                       " drop " + quoted(laterFolder) + " close-message" +
                                       " drop " + quoted(driveRoot) + " close-message" +
                                       " drop " + quoted("") +
                                       " drop " + quoted([earlierFolder, c, a].join("|")) +
                                       " close-message ok"),
          true);
    checkArray("dropped files", picker.SelectedFiles, [b, a, c]);
    checkArray("dropped folders", picker.SelectedFolders, [earlierFolder, laterFolder]);
    check("LastSelectedFile is the last file of the last drop", picker.LastSelectedFile, a);
    check("LastSelectedFolder is the last folder of the last drop", picker.LastSelectedFolder,
          earlierFolder);

    // Rows: A (laterFolder), B.xml, a.xml; Delete on the second row takes B.xml away.
    var second = newPicker();
    check("ok after delete", select(second, "", "", "",
                                    "drop " + quoted([b, laterFolder, a].join("|")) +
                                        " delete 1 ok"),
          true);
    checkArray("files left by Delete", second.SelectedFiles, [a]);
    checkArray("folders left by Delete", second.SelectedFolders, [laterFolder]);
});

removeFolder(root);
finish();
