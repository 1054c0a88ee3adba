// The administrative template writes the key and values the registry helper reads, with the types
// it reads them as, and its language file names every text and control it refers to.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "site_lock/site_lock_policy_win32.h"
#include "tests/support/policy_template.h"

namespace {

using fernwick::tests::Attribute;
using fernwick::tests::PolicyTemplate;
using fernwick::tests::ReadTemplateFile;

TEST(PolicyTemplateTest, WritesWhatTheHelperReads) {
    const PolicyTemplate policy;
    EXPECT_EQ(policy.Class(), "Machine");  // HKEY_LOCAL_MACHINE
    EXPECT_EQ(policy.Key(), fernwick::kSiteLockPolicyKey);
    EXPECT_EQ(policy.ValueName("multiText"), fernwick::kAllowedSitesValue);
    EXPECT_EQ(policy.TypeOf(fernwick::kAllowedSitesValue), fernwick::kAllowedSitesType);
    EXPECT_EQ(policy.ValueName("boolean"), fernwick::kAllowZonesValue);
    EXPECT_EQ(policy.TypeOf(fernwick::kAllowZonesValue), fernwick::kAllowZonesType);
    EXPECT_NE(policy.Switch(true), 0u);
    EXPECT_EQ(policy.Switch(false), 0u);
}

TEST(PolicyTemplateTest, TheLanguageFileNamesEveryTextAndControl) {
    const std::string admx = ReadTemplateFile(L"PexanFernwick.admx");
    const std::string adml = ReadTemplateFile(L"en-US\\PexanFernwick.adml");
    ASSERT_FALSE(admx.empty());
    ASSERT_FALSE(adml.empty());
    std::size_t count = 0;
    for (std::size_t at = admx.find("$("); at != std::string::npos; at = admx.find("$(", at + 1)) {
        const std::size_t dot = admx.find('.', at);
        const std::string table = admx.substr(at + 2, dot - at - 2);
        const std::string id = admx.substr(dot + 1, admx.find(')', dot) - dot - 1);
        const std::string tag = table == "string" ? "string" : "presentation";
        EXPECT_NE(adml.find("<" + tag + " id=\"" + id + "\""), std::string::npos) << id;
        ++count;
    }
    EXPECT_GE(count, 5u);
    for (const std::string tag : {"multiText", "boolean"}) {
        const std::string id = Attribute(admx, tag, "id").value().first;
        EXPECT_NE(adml.find("refId=\"" + id + "\""), std::string::npos) << id;
    }
}

}  // namespace
