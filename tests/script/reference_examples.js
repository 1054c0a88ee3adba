// Registry mode, file mode and the picker's results, from JScript. check(what, actual, expected)
// states each answer; the test tier fails when one differs.
var shell = new ActiveXObject("WScript.Shell");
var common = "HKCU\\SOFTWARE\\Documentum\\Common\\";
var manual = common + "ViewFiles\\0900000000000a01\\";
shell.RegWrite(manual + "FileName", "C:\\Work\\View\\manual.xml", "REG_SZ");
shell.RegWrite(manual + "DocbaseName", "archive", "REG_SZ");
shell.RegWrite(manual + "Alternate FilePaths\\1", "C:\\Work\\View\\manual.xml<D:\\Copies\\manual.xml", "REG_SZ");
shell.RegWrite(common + "LastConnectedDocbase\\Docbase", "archive", "REG_SZ");

var helper = new ActiveXObject("PexanFernwick.DocumentumRegistryHelper");
check("found by ID", helper.InitFromObjectID("0900000000000a01"), true);
check("its local copy", helper.FileName, "C:\\Work\\View\\manual.xml");
check("fetched for viewing", helper.IsOpenForView(), true);
check("absent value", helper.UserName, "");
check("found by an alternate path", helper.InitFromFileName("d:\\copies\\MANUAL.XML"), true);
check("its ID", helper.ObjectID, "0900000000000a01");
check("the path as passed", helper.FileName, "d:\\copies\\MANUAL.XML");
check("unknown ID", helper.InitFromObjectID("0900000000000fff"), false);
check("record reset", helper.ObjectID, "");
check("empty ID", helper.InitFromObjectID(""), false);
check("oversized ID", helper.InitFromObjectID(new Array(100001).join("x")), false);
check("last docbase", helper.LastConnectedDocBaseName, "archive");
check("member names in any case", helper.isopenforview(), false);

// File mode: the registry file of the reference, with a byte-order mark in front.
helper.RegistryFile = WScript.Arguments(0) + "\\registry-file.txt";
check("edit section", helper.InitEditFromObjectID("0900000000000b02"), true);
check("fetched for editing", helper.IsOpenForEdit(), true);
check("user from the file", helper.User, "reviewer1");
check("path in any ASCII case", helper.InitFromFileName("c:\\work\\edit\\GUIDE.XML"), true);
check("ID from the header", helper.ObjectID, "0900000000000b02");
helper.RegistryFile = "C:\\No Such Folder\\registry.txt";
check("missing file", helper.InitFromObjectID("0900000000000a01"), false);
check("record kept", helper.ObjectID, "0900000000000b02");
helper.RegistryFile = "";
check("registry mode again", helper.InitViewFromObjectID("0900000000000a01"), true);

var threw = false;
try {
    helper.NoSuchMember();
} catch (e) {
    threw = true;
}
check("unknown member throws", threw, true);

var picker = new ActiveXObject("PexanFernwick.ImportPicker");
check("no files yet", new VBArray(picker.SelectedFiles).toArray().length, 0);
check("no last folder yet", picker.LastSelectedFolder, "");

shell.Run("reg delete HKCU\\SOFTWARE\\Documentum /f", 0, true);
finish();
