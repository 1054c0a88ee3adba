// The administrative template writes the key and values the registry helper reads, as the types it
// reads them, and its language file names every text and control that the template refers to.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "site_lock/site_lock_policy_win32.h"
#include "tests/support/policy_template.h"

namespace {

TEST(PolicyTemplateTest, WritesWhatTheHelperReads) {
    const fernwick::tests::PolicyTemplate policy;
    EXPECT_EQ(policy.Attribute("policy", "class"), L"Machine");  // HKEY_LOCAL_MACHINE
    EXPECT_EQ(policy.Attribute("policy", "key"), fernwick::kSiteLockPolicyKey);
    // A list element writes a REG_MULTI_SZ; an on/off element with decimal values a REG_DWORD.
    EXPECT_EQ(policy.Attribute("multiText", "valueName"), fernwick::kAllowedSitesValue);
    EXPECT_EQ(fernwick::kAllowedSitesType, DWORD{REG_MULTI_SZ});
    EXPECT_EQ(policy.Attribute("boolean", "valueName"), fernwick::kAllowZonesValue);
    EXPECT_EQ(fernwick::kAllowZonesType, DWORD{REG_DWORD});
    EXPECT_NE(policy.Switch(true), 0u);
    EXPECT_EQ(policy.Switch(false), 0u);
}

TEST(PolicyTemplateTest, TheLanguageFileNamesEveryTextAndControl) {
    const std::string admx = fernwick::tests::PolicyTemplate().admx;
    const std::string adml = fernwick::tests::ReadTemplateFile(L"en-US\\PexanFernwick.adml");
    std::size_t references = 0;
    for (std::size_t at = admx.find("$("); at != std::string::npos; at = admx.find("$(", at + 1)) {
        const std::size_t dot = admx.find('.', at);
        const std::string table = admx.substr(at + 2, dot - at - 2);
        const std::string id = admx.substr(dot + 1, admx.find(')', dot) - dot - 1);
        EXPECT_NE(adml.find("<" + table + " id=\"" + id + "\""), std::string::npos) << id;
        ++references;
    }
    EXPECT_EQ(references, 6u);
    for (const char* control : {"refId=\"AllowedSites\"", "refId=\"AllowZones\""}) {
        EXPECT_NE(adml.find(control), std::string::npos) << control;
    }
}

}  // namespace
