#include "registry_helper/lookup_state.h"

#include <utility>

namespace fernwick {

namespace {

constexpr std::wstring_view kNeverInAnObjectId{L"\\\0", 2};

}  // namespace

bool NamesADocument(std::wstring_view objectId) {
    return !objectId.empty() &&
           objectId.find_first_of(kNeverInAnObjectId) == std::wstring_view::npos;
}

void LookupState::StartObjectIdQuery(std::wstring_view id) {
    StartRecord();
    current.ObjectID = id;
}

void LookupState::StartFileNameQuery(std::wstring_view name) {
    StartRecord();
    current.FileName = name;
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

void LookupState::StartRecord() noexcept {
    if (replacedRecord_ && !*replacedRecord_) replacedRecord_->emplace(std::move(current));
    current = {};
    enumerationPosition = 0;
}

LookupTransaction::LookupTransaction(LookupState& state) noexcept
    : state_(state),
      enumerationPosition_(state.enumerationPosition),
      cacheWasEmpty_(state.lastConnectedDocbase.empty()) {
    state_.replacedRecord_ = &replacedRecord_;
}

LookupTransaction::~LookupTransaction() {
    state_.replacedRecord_ = nullptr;
    if (committed_) return;
    if (replacedRecord_) state_.current = std::move(*replacedRecord_);
    state_.enumerationPosition = enumerationPosition_;
    if (cacheWasEmpty_) state_.lastConnectedDocbase = std::wstring();
}

}  // namespace fernwick
