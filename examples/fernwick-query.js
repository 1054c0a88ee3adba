// Asks Fernwick's registry helper about downloaded documents and prints the answers.
//
//   cscript fernwick-query.js /id:0900000000000a01        look a document up by object ID
//   cscript fernwick-query.js /path:D:\Copies\manual.xml  ... or by the path of a local copy
//   cscript fernwick-query.js /lastdocbase                the docbase connected to last
//   cscript fernwick-query.js /config                     the newest client configuration file
//   cscript fernwick-query.js /file:C:\registry.txt /id:...  answer from a registry file instead
var helper = new ActiveXObject("PexanFernwick.DocumentumRegistryHelper");

// "/name:value" and "/name" arguments (parsed here: not every script host offers Named).
var args = {};
for (var i = 0; i < WScript.Arguments.length; i++) {
    var match = /^\/(\w+)(?::(.*))?$/.exec(WScript.Arguments(i));
    if (match) args[match[1].toLowerCase()] = match[2] || "";
}

// Set before any lookup: every later one answers from the file.
if ("file" in args) helper.RegistryFile = args.file;

function describe(found, how) {
    if (!found) {
        WScript.Echo(how + ": not found");
        return;
    }
    var list = helper.IsOpenForEdit() ? "edit" : (helper.IsOpenForView() ? "view" : "none");
    WScript.Echo(how + ": found in the " + list + " list");
    WScript.Echo("  ObjectID    " + helper.ObjectID);
    WScript.Echo("  FileName    " + helper.FileName);
    WScript.Echo("  DocbaseName " + helper.DocbaseName);
    WScript.Echo("  UserName    " + helper.UserName);
    WScript.Echo("  User        " + helper.User);
    WScript.Echo("  DomainName  " + helper.DomainName);
}

if ("id" in args) describe(helper.InitFromObjectID(args.id), "object ID " + args.id);
if ("path" in args) describe(helper.InitFromFileName(args.path), "local path " + args.path);
if ("lastdocbase" in args) WScript.Echo("last connected docbase: " + helper.LastConnectedDocBaseName);
if ("config" in args) WScript.Echo("client configuration file: " + helper.DetectUcfClientConfigXml());
