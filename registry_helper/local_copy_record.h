#pragma once

#include <cstdint>
#include <string>

namespace fernwick {

// The client list in which a document was found.
enum class OpenMode : std::int32_t { None = -1, Edit = 0, View = 1 };

// Which of the client's lists an object-ID lookup consults.
enum class ClientLists { EditAndView, EditOnly, ViewOnly };

// One document that the content-management client downloaded to this machine. An absent item is
// the empty string.
struct LocalCopyRecord {
    std::wstring ObjectID;
    std::wstring DocbaseName;
    std::wstring UserName;
    std::wstring User;
    std::wstring DomainName;
    std::wstring FileName;
    OpenMode Origin = OpenMode::None;

    bool operator==(const LocalCopyRecord&) const = default;
};

}  // namespace fernwick
