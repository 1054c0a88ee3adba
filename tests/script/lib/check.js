// Put in front of every JScript suite by the harness: one line per failed check, then
// "N passed, N failed".
var passed = 0, failed = 0;

function check(what, actual, expected) {
    if (actual === expected) {
        passed++;
    } else {
        failed++;
        WScript.Echo("FAILED " + what + ": got [" + actual + "] (" + typeof actual +
                     "), expected [" + expected + "] (" + typeof expected + ")");
    }
}

// Runs one group of checks; an error thrown inside counts as a failure and the suite goes on.
function test(name, body) {
    try {
        body();
    } catch (e) {
        failed++;
        WScript.Echo("FAILED " + name + ": " + (e.message || e) + " (" + (e.number >>> 0).toString(16) + ")");
    }
}

function finish() {
    WScript.Echo(passed + " passed, " + failed + " failed");
}

var shell = new ActiveXObject("WScript.Shell");
var fso = new ActiveXObject("Scripting.FileSystemObject");

function run(command) {
    return shell.Run(command, 0, true);
}

function makeFolders(path) {
    if (!fso.FolderExists(path)) {
        makeFolders(fso.GetParentFolderName(path));
        fso.CreateFolder(path);
    }
}

// Files and folders are made and removed through cmd: Wine's TextStream cannot be closed from
// script, and an open stream keeps its folder from being deleted.
function createFile(path, text) {
    run('cmd /c echo ' + (text || "x") + '> "' + path + '"');
}

function removeFolder(path) {
    run('cmd /c rmdir /s /q "' + path + '"');
}

function repeat(text, count) {
    return new Array(count + 1).join(text);
}
