// Platform objects: kinds by type identifier, typed views that never guess, and the platform's
// equality.
#include "platform/object.h"

#include <ApplicationServices/ApplicationServices.h>
#import <Foundation/Foundation.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "platform/accessibility.h"
#include "platform/mac/object_impl.h"

namespace axb::platform {
namespace {

Object adopt(CFTypeRef ref) {
  return mac::wrap(mac::CFRef<CFTypeRef>::adopt(ref));
}
Object bridged(id value) {
  return adopt(CFBridgingRetain(value));
}

template <typename Native>
Object wrapped(::AXValueType type, Native native) {
  return adopt(AXValueCreate(type, &native));
}

static_assert(static_cast<int>(AXValueType::CGPoint) == kAXValueTypeCGPoint);
static_assert(static_cast<int>(AXValueType::CGSize) == kAXValueTypeCGSize);
static_assert(static_cast<int>(AXValueType::CGRect) == kAXValueTypeCGRect);
static_assert(static_cast<int>(AXValueType::CFRange) == kAXValueTypeCFRange);
static_assert(static_cast<int>(AXValueType::AXError) == kAXValueTypeAXError);

TEST(ObjectTest, KindsFollowTheTypeIdentifier) {
  EXPECT_EQ(Object().kind(), ValueKind::Null);
  EXPECT_EQ(Object::makeString("x").kind(), ValueKind::String);
  EXPECT_EQ(bridged(@"x").kind(), ValueKind::String);
  EXPECT_EQ(Object::makeNumber(1).kind(), ValueKind::Number);
  EXPECT_EQ(bridged(@42).kind(), ValueKind::Number);
  // Booleans bridge to NSNumber too, but are their own type.
  EXPECT_EQ(Object::makeBoolean(true).kind(), ValueKind::Boolean);
  EXPECT_EQ(bridged(@YES).kind(), ValueKind::Boolean);
  EXPECT_EQ(bridged(@[ @1 ]).kind(), ValueKind::Array);
  EXPECT_EQ(Object::makeRange({1, 2}).kind(), ValueKind::AXValue);
  EXPECT_EQ(adopt(CFAttributedStringCreate(kCFAllocatorDefault, CFSTR("a"),
                                           (__bridge CFDictionaryRef) @{}))
                .kind(),
            ValueKind::AttributedString);
  EXPECT_EQ(createApplicationElement(getpid()).object().kind(), ValueKind::Element);
  EXPECT_EQ(bridged([NSData data]).kind(), ValueKind::Other);
  EXPECT_EQ(bridged([NSNull null]).kind(), ValueKind::Other);
}

TEST(ObjectTest, StringsCrossAsUtf8WhateverTheirLengthOrDamage) {
  std::string long_text(100000, 'a');
  long_text += "\xC3\xA9\xF0\x9F\x98\x80";  // é 😀
  EXPECT_EQ(Object::makeString(long_text).string(), long_text);
  EXPECT_EQ(Object::makeString("").string(), "");
  EXPECT_EQ(Object::makeString(std::string("a\0b", 3)).string(), std::string("a\0b", 3));
  // Ill-formed input still makes a string.
  EXPECT_EQ(Object::makeString("a\xFF").string(), "a\xEF\xBF\xBD");
  // Text cut inside an emoji by another application keeps what precedes the cut.
  const UniChar cut[] = {'a', 0xD83D};
  EXPECT_EQ(adopt(CFStringCreateWithCharacters(kCFAllocatorDefault, cut, 2)).string(),
            "a\xEF\xBF\xBD");
  EXPECT_FALSE(Object::makeNumber(1).string());
  EXPECT_FALSE(Object().string());
}

TEST(ObjectTest, NumbersBooleansAndArraysReadBack) {
  EXPECT_EQ(Object::makeNumber(2.5).number(), 2.5);
  EXPECT_EQ(bridged(@(-7)).number(), -7);
  EXPECT_EQ(Object::makeNumber(3), bridged(@3));  // the platform's equality
  EXPECT_EQ(bridged(@(9007199254740992LL)).number(), 9007199254740992.0);
  EXPECT_EQ(Object::makeBoolean(false).boolean(), false);
  EXPECT_EQ(bridged(@YES).boolean(), true);
  EXPECT_FALSE(Object::makeNumber(1).boolean());

  const auto items = bridged(@[ @"a", @2, [NSNull null] ]).array();
  ASSERT_TRUE(items);
  ASSERT_EQ(items->size(), 3u);
  EXPECT_EQ((*items)[0].string(), "a");
  EXPECT_EQ((*items)[1].number(), 2);
  EXPECT_EQ((*items)[2].kind(), ValueKind::Other);
  EXPECT_FALSE(Object::makeString("a").array());
}

TEST(ObjectTest, WrappedValuesExtractOnlyAsTheirOwnType) {
  const Object range = Object::makeRange({5, 7});
  EXPECT_EQ(range.axValueType(), AXValueType::CFRange);
  EXPECT_FALSE(range.axRect());
  EXPECT_EQ(Object::makeRange({-1, 0}).axRange(), (Range{-1, 0}));

  const Object point = wrapped(kAXValueTypeCGPoint, CGPointMake(1.5, -2));
  EXPECT_EQ(point.axValueType(), AXValueType::CGPoint);
  EXPECT_EQ(point.axPoint(), (Point{1.5, -2}));
  EXPECT_FALSE(point.axSize());

  const Object rect = wrapped(kAXValueTypeCGRect, CGRectMake(-10, 20, 30, 40));
  EXPECT_EQ(rect.axRect(), (Rect{-10, 20, 30, 40}));
  EXPECT_EQ(wrapped(kAXValueTypeCGSize, CGSizeMake(3, 4)).axSize(), (Size{3, 4}));
  EXPECT_EQ(wrapped(kAXValueTypeAXError, kAXErrorNoValue).axValueType(), AXValueType::AXError);
}

// Asking the platform for the value type of anything but a wrapped value is undefined, so it
// must never be asked.
TEST(ObjectTest, ObjectsThatAreNotWrappedValuesHaveNoValueType) {
  for (const Object& other : {
         Object(), Object::makeString("x"), Object::makeNumber(4), Object::makeBoolean(true),
             bridged(@[]), createApplicationElement(getpid()).object()
       }) {
    EXPECT_EQ(other.axValueType(), AXValueType::Illegal);
    EXPECT_FALSE(other.axRange());
    EXPECT_FALSE(other.axPoint());
  }
}

TEST(ObjectTest, TextMarkerOperationsRefuseOtherObjects) {
  const Object text = Object::makeString("not a marker");
  EXPECT_FALSE(textMarkerRangeStart(text));
  EXPECT_FALSE(textMarkerRangeEnd(Object()));
  EXPECT_FALSE(makeTextMarkerRange(text, text));
  EXPECT_FALSE(makeTextMarkerRange(Object(), Object()));
}

}  // namespace
}  // namespace axb::platform
