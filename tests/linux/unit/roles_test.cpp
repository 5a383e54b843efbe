// The roles GTK reports, as the boundary names them.
#include "platform/linux/atspi/roles.h"

#include <gtest/gtest.h>

namespace axb::platform::atspi {
namespace {

TEST(Roles, GtksEntryAndTextViewShareARoleAndDifferByState) {
  EXPECT_EQ(roleName({ATSPI_ROLE_TEXT, true, false}), "AXTextField");
  EXPECT_EQ(roleName({ATSPI_ROLE_TEXT, true, true}), "AXTextArea");
  // A read-only view of several lines is still a text area; a single read-only line is text.
  EXPECT_EQ(roleName({ATSPI_ROLE_TEXT, false, true}), "AXTextArea");
  EXPECT_EQ(roleName({ATSPI_ROLE_TEXT, false, false}), "AXStaticText");
}

TEST(Roles, APasswordIsASecureTextField) {
  const RoleFacts password{ATSPI_ROLE_PASSWORD_TEXT, true, false};
  EXPECT_EQ(roleName(password), "AXTextField");
  EXPECT_EQ(subroleName(password), "AXSecureTextField");
  EXPECT_EQ(subroleName({ATSPI_ROLE_TEXT, true, false}), std::nullopt);
}

TEST(Roles, TheEditableStateOrTheEditableTextInterfaceMakesAFieldEditable) {
  EXPECT_TRUE(isEditable({ATSPI_ROLE_ENTRY, true, false}, false));  // a browser's field
  EXPECT_TRUE(isEditable({ATSPI_ROLE_TEXT, false, false}, true));
  EXPECT_FALSE(isEditable({ATSPI_ROLE_LABEL}, false));
}

TEST(Roles, OnlyAPasswordKeepsItsTextSecret) {
  EXPECT_TRUE(keepsTextSecret({ATSPI_ROLE_PASSWORD_TEXT, true, false}));
  EXPECT_FALSE(keepsTextSecret({ATSPI_ROLE_TEXT, true, false}));
}

TEST(Roles, LabelsAreStaticTextAndApplicationsApplications) {
  EXPECT_EQ(roleName({ATSPI_ROLE_LABEL}), "AXStaticText");
  EXPECT_EQ(roleName({ATSPI_ROLE_APPLICATION}), "AXApplication");
  EXPECT_EQ(roleName({ATSPI_ROLE_FRAME}), "AXWindow");
  EXPECT_EQ(roleName({ATSPI_ROLE_REDUNDANT_OBJECT}), "AXUnknown");
}

}  // namespace
}  // namespace axb::platform::atspi
