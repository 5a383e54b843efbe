// The roles GTK reports, as the boundary names them.
#include "platform/linux/atspi/roles.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace axb::platform::atspi {
namespace {

TEST(Roles, NamesFollowTheRoleAndGtksStatesAndOnlyAPasswordIsSecret) {
  const struct {
    RoleFacts facts;
    const char* role;
    std::optional<std::string> subrole;
  } cases[] = {
      // GTK's entry and text view share a role and differ by state; a read-only view of several
      // lines is still a text area, a single read-only line is text.
      {{ATSPI_ROLE_TEXT, true, false}, "AXTextField", std::nullopt},
      {{ATSPI_ROLE_TEXT, true, true}, "AXTextArea", std::nullopt},
      {{ATSPI_ROLE_TEXT, false, true}, "AXTextArea", std::nullopt},
      {{ATSPI_ROLE_TEXT, false, false}, "AXStaticText", std::nullopt},
      {{ATSPI_ROLE_PASSWORD_TEXT, true, false}, "AXTextField", "AXSecureTextField"},
      {{ATSPI_ROLE_LABEL}, "AXStaticText", std::nullopt},
      {{ATSPI_ROLE_REDUNDANT_OBJECT}, "AXUnknown", std::nullopt},
  };
  for (const auto& test : cases) {
    EXPECT_EQ(roleName(test.facts), test.role) << test.role;
    EXPECT_EQ(subroleName(test.facts), test.subrole) << test.role;
    EXPECT_EQ(keepsTextSecret(test.facts), test.subrole.has_value()) << test.role;
  }
  // The editable state or the editable text interface makes a field editable.
  EXPECT_TRUE(isEditable({ATSPI_ROLE_ENTRY, true, false}, false));  // a browser's field
  EXPECT_TRUE(isEditable({ATSPI_ROLE_TEXT, false, false}, true));
  EXPECT_FALSE(isEditable({ATSPI_ROLE_LABEL}, false));
}

}  // namespace
}  // namespace axb::platform::atspi
