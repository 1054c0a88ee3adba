#include "registry_helper/lookup_state.h"

namespace fernwick {

namespace {

constexpr std::wstring_view kNeverInAnObjectId{L"\\\0", 2};

}  // namespace

bool NamesADocument(std::wstring_view objectId) {
    return !objectId.empty() &&
           objectId.find_first_of(kNeverInAnObjectId) == std::wstring_view::npos;
}

void LookupState::StartObjectIdQuery(std::wstring_view id) {
    current.ObjectID = id;
    current.FileName.clear();
    ClearDetails();
}

void LookupState::StartFileNameQuery(std::wstring_view name) {
    current.FileName = name;
    current.ObjectID.clear();
    ClearDetails();
}

void LookupState::AdoptRecord(const LocalCopyRecord& record) {
    if (current.ObjectID.empty()) current.ObjectID = record.ObjectID;
    if (current.FileName.empty()) current.FileName = record.FileName;
    current.DocbaseName = record.DocbaseName;
    current.UserName = record.UserName;
    current.User = record.User;
    current.DomainName = record.DomainName;
    current.Origin = record.Origin;
}

void LookupState::ClearDetails() {
    enumerationPosition = 0;
    current.DocbaseName.clear();
    current.UserName.clear();
    current.User.clear();
    current.DomainName.clear();
    current.Origin = OpenMode::None;
}

}  // namespace fernwick
