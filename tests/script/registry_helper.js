// The registry helper driven from JScript through IDispatch, against the client's entries that
// this suite writes into the current user's registry.

var common = "HKCU\\SOFTWARE\\Documentum\\Common\\";
var viewKey = common + "ViewFiles\\0900000000000a01\\";
var editKey = common + "WorkingFiles\\0900000000000b02\\";

function writeClientEntries() {
    run("reg delete HKCU\\SOFTWARE\\Documentum /f");
    shell.RegWrite(viewKey + "FileName", "C:\\Work\\View\\manual.xml", "REG_SZ");
    shell.RegWrite(viewKey + "DocbaseName", "archive", "REG_SZ");
    shell.RegWrite(viewKey + "UserName", "Reviewer One", "REG_SZ");
    shell.RegWrite(viewKey + "User", "reviewer1", "REG_SZ");
    shell.RegWrite(viewKey + "DomainName", "CORP", "REG_SZ");
    shell.RegWrite(viewKey + "Alternate FilePaths\\1",
                   "C:\\Work\\View\\manual.xml<D:\\Copies\\manual.xml", "REG_SZ");
    shell.RegWrite(editKey + "FileName", "C:\\Work\\Edit\\guide.xml", "REG_SZ");
    shell.RegWrite(editKey + "DocbaseName", "archive", "REG_SZ");
    shell.RegWrite(editKey + "UserName", "Author Two", "REG_SZ");
}

function newHelper() {
    return new ActiveXObject("PexanFernwick.DocumentumRegistryHelper");
}

writeClientEntries();

test("aNewObjectAnswersEmptyStringsAndFalse", function () {
    var h = newHelper();
    check("new ObjectID", h.ObjectID, "");
    check("new FileName", h.FileName, "");
    check("new DocbaseName", h.DocbaseName, "");
    check("new UserName", h.UserName, "");
    check("new User", h.User, "");
    check("new DomainName", h.DomainName, "");
    check("new LastConnectedDocBaseName", h.LastConnectedDocBaseName, "");
    check("new IsOpenForEdit", h.IsOpenForEdit(), false);
    check("new IsOpenForView", h.IsOpenForView(), false);
    check("versioned ProgID", new ActiveXObject("PexanFernwick.DocumentumRegistryHelper.1").ObjectID, "");
});

test("lookupByObjectId", function () {
    var h = newHelper();
    check("view document found", h.InitFromObjectID("0900000000000a01"), true);
    check("view ObjectID", h.ObjectID, "0900000000000a01");
    check("view FileName", h.FileName, "C:\\Work\\View\\manual.xml");
    check("view DocbaseName", h.DocbaseName, "archive");
    check("view UserName", h.UserName, "Reviewer One");
    check("view User", h.User, "reviewer1");
    check("view DomainName", h.DomainName, "CORP");
    check("view IsOpenForView", h.IsOpenForView(), true);
    check("view IsOpenForEdit", h.IsOpenForEdit(), false);

    check("edit document found", h.InitEditFromObjectID("0900000000000b02"), true);
    check("edit IsOpenForEdit", h.IsOpenForEdit(), true);
    check("edit IsOpenForView", h.IsOpenForView(), false);
    check("edit details of the document only", h.User, "");
    check("edit document is not in the view list", h.InitViewFromObjectID("0900000000000b02"), false);
    check("failed lookup empties ObjectID", h.ObjectID, "");
    check("failed lookup leaves no origin", h.IsOpenForView(), false);

    check("empty ID", h.InitFromObjectID(""), false);
    check("empty ID ObjectID", h.ObjectID, "");
    check("empty ID FileName", h.FileName, "");
    check("member names in any case", h.initfromobjectid("0900000000000a01"), true);
});

test("lookupByFileNameThroughAnAlternatePath", function () {
    var h = newHelper();
    check("alternate path found", h.InitFromFileName("d:\\copies\\MANUAL.XML"), true);
    check("alternate ObjectID", h.ObjectID, "0900000000000a01");
    check("alternate FileName as passed", h.FileName, "d:\\copies\\MANUAL.XML");
    check("alternate DocbaseName", h.DocbaseName, "archive");
    check("alternate IsOpenForView", h.IsOpenForView(), true);
    check("edit path found", h.InitFromFileName("c:\\work\\edit\\GUIDE.XML"), true);
    check("edit path ObjectID", h.ObjectID, "0900000000000b02");
    check("edit path IsOpenForEdit", h.IsOpenForEdit(), true);
    check("contained path does not match", h.InitFromFileName("C:\\Work\\View\\manual"), false);
    check("unmatched ObjectID", h.ObjectID, "");
    check("unmatched FileName kept", h.FileName, "C:\\Work\\View\\manual");
});

test("lastConnectedDocbaseIsReadOnceFound", function () {
    var h = newHelper();
    check("no docbase yet", h.LastConnectedDocBaseName, "");
    shell.RegWrite(common + "LastConnectedDocbase\\Docbase", "archive", "REG_SZ");
    check("docbase picked up", h.LastConnectedDocBaseName, "archive");
    shell.RegWrite(common + "LastConnectedDocbase\\Docbase", "other", "REG_SZ");
    check("docbase kept for the object's life", h.LastConnectedDocBaseName, "archive");
    check("a new object reads again", newHelper().LastConnectedDocBaseName, "other");
});

test("registryFileSwitchesTheSource", function () {
    var h = newHelper();
    h.RegistryFile = "C:\\no\\such\\registry.txt";
    check("file mode does not read the registry", h.InitFromObjectID("0900000000000a01"), false);
    h.RegistryFile = "";
    check("back to registry mode", h.InitFromObjectID("0900000000000a01"), true);
});

test("configurationFileUnderTheProfile", function () {
    // Wine counts the terminating NUL as part of the expanded text.
    var profile = shell.ExpandEnvironmentStrings("%USERPROFILE%").replace(/\0/g, "");
    var h = newHelper();
    removeFolder(profile + "\\Documentum");
    check("no Documentum folder", h.DetectUcfClientConfigXml(), "");
    var folder = profile + "\\Documentum\\ucf\\host\\shared\\config";
    makeFolders(folder);
    createFile(folder + "\\ucf.client.config.xml");
    check("copy found", h.DetectUcfClientConfigXml(), folder + "\\ucf.client.config.xml");
    h.RegistryFile = "C:\\no\\such\\registry.txt";
    check("same answer in file mode", h.DetectUcfClientConfigXml(), folder + "\\ucf.client.config.xml");
    removeFolder(profile + "\\Documentum");
});

test("longAndOddInputsAreAnsweredSafely", function () {
    var h = newHelper();
    var longText = repeat("0123456789", 10000);
    check("long ID", h.InitFromObjectID(longText), false);
    check("long ID ObjectID", h.ObjectID, "");
    check("long edit ID", h.InitEditFromObjectID(longText), false);
    check("long view ID", h.InitViewFromObjectID(longText), false);
    check("long path", h.InitFromFileName("C:\\" + longText), false);
    check("long path kept", h.FileName.length, longText.length + 3);
    h.RegistryFile = longText;
    check("long registry file", h.InitFromObjectID("0900000000000a01"), false);
    check("long registry file, by name", h.InitFromFileName("C:\\Work\\View\\manual.xml"), false);
    check("long registry file, docbase", typeof h.LastConnectedDocBaseName, "string");
    h.RegistryFile = "";
    check("empty path", h.InitFromFileName(""), false);
});

run("reg delete HKCU\\SOFTWARE\\Documentum /f");
finish();
