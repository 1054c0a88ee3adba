// The registry helper answering from a registry file in the prefix, driven from JScript through
// IDispatch. The file is data/registry-file.txt (UTF-8 with a byte-order mark, CR LF line ends),
// copied to the temporary folder; the registry holds other answers for the same documents, so
// every check shows which source answered.

var common = "HKCU\\SOFTWARE\\Documentum\\Common\\";
var dataFolder = WScript.Arguments(0);
// Wine counts the terminating NUL as part of the expanded text.
var folder = shell.ExpandEnvironmentStrings("%TEMP%").replace(/\0/g, "") + "\\fernwick registry file";
var registryFile = folder + "\\registry.txt";

function prepare() {
    removeFolder(folder);
    makeFolders(folder);
    fso.CopyFile(dataFolder + "\\registry-file.txt", registryFile);
    run("reg delete HKCU\\SOFTWARE\\Documentum /f");
    shell.RegWrite(common + "WorkingFiles\\0900000000000a01\\FileName", "C:\\Registry\\draft.xml", "REG_SZ");
    shell.RegWrite(common + "LastConnectedDocbase\\Docbase", "registrybase", "REG_SZ");
}

function fileHelper() {
    var h = new ActiveXObject("PexanFernwick.DocumentumRegistryHelper");
    h.RegistryFile = registryFile;
    return h;
}

function checkRecord(what, h, expected) {
    check(what + " ObjectID", h.ObjectID, expected.id);
    check(what + " FileName", h.FileName, expected.file);
    check(what + " DocbaseName", h.DocbaseName, expected.docbase);
    check(what + " UserName", h.UserName, expected.userName);
    check(what + " User", h.User, expected.user);
    check(what + " DomainName", h.DomainName, expected.domain);
    check(what + " IsOpenForEdit", h.IsOpenForEdit(), expected.origin === "edit");
    check(what + " IsOpenForView", h.IsOpenForView(), expected.origin === "view");
}

function record(id, file, origin) {
    return {id: id, file: file, docbase: "archive", userName: "Reviewer One", user: "reviewer1",
            domain: "CORP", origin: origin};
}

function nothingFound(id, file) {
    return {id: id, file: file, docbase: "", userName: "", user: "", domain: "", origin: "none"};
}

prepare();

test("objectIdLookupsAnswerFromTheFile", function () {
    var h = fileHelper();
    // The first header follows the byte-order mark.
    check("either list", h.InitFromObjectID("0900000000000a01"), true);
    checkRecord("view section", h, record("0900000000000a01", "C:\\Work\\View\\manual.xml", "view"));
    check("view list", h.InitViewFromObjectID("0900000000000a01"), true);
    check("view list origin", h.IsOpenForView(), true);
    check("not in the edit list", h.InitEditFromObjectID("0900000000000a01"), false);
    checkRecord("edit list miss", h, nothingFound("0900000000000a01", ""));

    check("edit list", h.InitEditFromObjectID("0900000000000b02"), true);
    checkRecord("edit section", h, record("0900000000000b02", "C:\\Work\\Edit\\guide.xml", "edit"));
    check("not in the view list", h.InitViewFromObjectID("0900000000000b02"), false);
    check("ID in other letter case", h.InitFromObjectID("0900000000000B02"), true);
    check("ID as asked", h.ObjectID, "0900000000000B02");
    check("ID with a blank", h.InitFromObjectID("0900000000000b02 "), false);

    var text = "R\u00e9viseur Tr\u00f6is \u20ac\ud83d\ude00";
    check("UTF-8 section", h.InitFromObjectID("0900000000000c03"), true);
    check("UTF-8 UserName", h.UserName, text);
    check("UTF-8 section origin", h.IsOpenForEdit(), true);
});

test("fileNameLookupsAnswerFromTheFile", function () {
    var h = fileHelper();
    check("alternate path", h.InitFromFileName("D:\\Copies\\manual.xml"), true);
    checkRecord("alternate path", h, record("0900000000000a01", "D:\\Copies\\manual.xml", "view"));
    check("direct, other letter case", h.InitFromFileName("c:\\work\\edit\\GUIDE.XML"), true);
    checkRecord("direct", h, record("0900000000000b02", "c:\\work\\edit\\GUIDE.XML", "edit"));
    check("view file name", h.InitFromFileName("C:\\Work\\View\\manual.xml"), true);
    checkRecord("view file name", h, record("0900000000000a01", "C:\\Work\\View\\manual.xml", "view"));

    // The FileName entry comes last in its section; the entries before it still count.
    check("last entry", h.InitFromFileName("C:\\Work\\Edit\\notes.xml"), true);
    check("last entry ObjectID", h.ObjectID, "0900000000000c03");
    check("last entry DocbaseName", h.DocbaseName, "archive");

    check("alternate paths compare letter case", h.InitFromFileName("d:\\copies\\manual.xml"), false);
    checkRecord("no match", h, nothingFound("", "d:\\copies\\manual.xml"));
    check("part of an alternate path", h.InitFromFileName("D:\\Copies\\manual"), false);
    check("part of a file name", h.InitFromFileName("C:\\Work\\Edit\\guide"), false);
    check("empty name", h.InitFromFileName(""), false);
});

test("lastConnectedDocbaseIsOneCacheForBothModes", function () {
    var fileFirst = fileHelper();
    check("from the file", fileFirst.LastConnectedDocBaseName, "archive");
    fileFirst.RegistryFile = "";
    check("kept in registry mode", fileFirst.LastConnectedDocBaseName, "archive");

    var registryFirst = new ActiveXObject("PexanFernwick.DocumentumRegistryHelper");
    check("from the registry", registryFirst.LastConnectedDocBaseName, "registrybase");
    registryFirst.RegistryFile = registryFile;
    check("kept in file mode", registryFirst.LastConnectedDocBaseName, "registrybase");
});

test("emptyRegistryFileReturnsToTheRegistry", function () {
    var h = fileHelper();
    check("file answer", h.InitFromObjectID("0900000000000a01"), true);
    check("file answer FileName", h.FileName, "C:\\Work\\View\\manual.xml");
    h.RegistryFile = "";
    check("registry answer", h.InitFromObjectID("0900000000000a01"), true);
    check("registry answer FileName", h.FileName, "C:\\Registry\\draft.xml");
    check("registry answer origin", h.IsOpenForEdit(), true);
    check("only in the file", h.InitFromObjectID("0900000000000b02"), false);
});

test("missingFileLeavesTheRecordAndAFolderResetsIt", function () {
    var h = fileHelper();
    check("found first", h.InitFromObjectID("0900000000000a01"), true);
    h.RegistryFile = folder + "\\missing.txt";
    check("missing file, by ID", h.InitFromObjectID("0900000000000b02"), false);
    check("missing file, edit list", h.InitEditFromObjectID("0900000000000b02"), false);
    check("missing file, view list", h.InitViewFromObjectID("0900000000000b02"), false);
    check("missing file, by name", h.InitFromFileName("C:\\Work\\Edit\\guide.xml"), false);
    checkRecord("record left", h, record("0900000000000a01", "C:\\Work\\View\\manual.xml", "view"));
    check("missing file, docbase", h.LastConnectedDocBaseName, "");

    // A folder exists but cannot be read as a file: the lookup starts, then finds nothing.
    h.RegistryFile = folder;
    check("folder, by ID", h.InitFromObjectID("0900000000000b02"), false);
    checkRecord("folder, by ID", h, nothingFound("0900000000000b02", ""));
    check("folder, by name", h.InitFromFileName("C:\\Work\\Edit\\guide.xml"), false);
    checkRecord("folder, by name", h, nothingFound("", "C:\\Work\\Edit\\guide.xml"));
    check("folder, docbase", h.LastConnectedDocBaseName, "");
});

removeFolder(folder);
run("reg delete HKCU\\SOFTWARE\\Documentum /f");
finish();
