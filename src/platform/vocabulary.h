// The accessibility vocabulary the core and the bindings share, spelled as the accessibility
// interface spells it: attribute, parameterized attribute, notification, role and subrole names.
// Each binding answers in these names whatever its platform calls them.
#pragma once

namespace axb::platform {

namespace attributes {
inline constexpr char kRole[] = "AXRole";
inline constexpr char kSubrole[] = "AXSubrole";
inline constexpr char kTitle[] = "AXTitle";
inline constexpr char kDescription[] = "AXDescription";
inline constexpr char kIdentifier[] = "AXIdentifier";
inline constexpr char kChildren[] = "AXChildren";
inline constexpr char kWindow[] = "AXWindow";
inline constexpr char kWindows[] = "AXWindows";
inline constexpr char kPosition[] = "AXPosition";
inline constexpr char kSize[] = "AXSize";
inline constexpr char kFrame[] = "AXFrame";
inline constexpr char kFocused[] = "AXFocused";
inline constexpr char kFocusedUIElement[] = "AXFocusedUIElement";
inline constexpr char kFocusedWindow[] = "AXFocusedWindow";
inline constexpr char kFrontmost[] = "AXFrontmost";
inline constexpr char kEnhancedUserInterface[] = "AXEnhancedUserInterface";
inline constexpr char kValue[] = "AXValue";
inline constexpr char kSelectedText[] = "AXSelectedText";
inline constexpr char kSelectedTextRange[] = "AXSelectedTextRange";
inline constexpr char kNumberOfCharacters[] = "AXNumberOfCharacters";
inline constexpr char kVisibleCharacterRange[] = "AXVisibleCharacterRange";
inline constexpr char kSelectedTextMarkerRange[] = "AXSelectedTextMarkerRange";
}  // namespace attributes

namespace parameterized {
inline constexpr char kStringForRange[] = "AXStringForRange";
inline constexpr char kBoundsForRange[] = "AXBoundsForRange";
inline constexpr char kStringForTextMarkerRange[] = "AXStringForTextMarkerRange";
inline constexpr char kBoundsForTextMarkerRange[] = "AXBoundsForTextMarkerRange";
}  // namespace parameterized

namespace notifications {
inline constexpr char kFocusedUIElementChanged[] = "AXFocusedUIElementChanged";
inline constexpr char kSelectedTextChanged[] = "AXSelectedTextChanged";
inline constexpr char kValueChanged[] = "AXValueChanged";
inline constexpr char kWindowMoved[] = "AXWindowMoved";
inline constexpr char kWindowResized[] = "AXWindowResized";
inline constexpr char kUIElementDestroyed[] = "AXUIElementDestroyed";
}  // namespace notifications

namespace roles {
inline constexpr char kApplication[] = "AXApplication";
inline constexpr char kWindow[] = "AXWindow";
inline constexpr char kTextField[] = "AXTextField";
inline constexpr char kTextArea[] = "AXTextArea";
inline constexpr char kStaticText[] = "AXStaticText";
inline constexpr char kWebArea[] = "AXWebArea";
inline constexpr char kButton[] = "AXButton";
inline constexpr char kCheckBox[] = "AXCheckBox";
inline constexpr char kRadioButton[] = "AXRadioButton";
inline constexpr char kComboBox[] = "AXComboBox";
inline constexpr char kMenu[] = "AXMenu";
inline constexpr char kMenuItem[] = "AXMenuItem";
inline constexpr char kMenuBar[] = "AXMenuBar";
inline constexpr char kList[] = "AXList";
inline constexpr char kOutline[] = "AXOutline";
inline constexpr char kScrollArea[] = "AXScrollArea";
inline constexpr char kScrollBar[] = "AXScrollBar";
inline constexpr char kGroup[] = "AXGroup";
inline constexpr char kImage[] = "AXImage";
inline constexpr char kSlider[] = "AXSlider";
inline constexpr char kToolbar[] = "AXToolbar";
inline constexpr char kLink[] = "AXLink";
inline constexpr char kHeading[] = "AXHeading";
inline constexpr char kTabGroup[] = "AXTabGroup";
inline constexpr char kProgressIndicator[] = "AXProgressIndicator";
inline constexpr char kIncrementor[] = "AXIncrementor";
inline constexpr char kUnknown[] = "AXUnknown";
}  // namespace roles

namespace subroles {
inline constexpr char kSecureTextField[] = "AXSecureTextField";
}  // namespace subroles

}  // namespace axb::platform
