#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "automation/dispatch.h"

namespace cw::automation {
namespace {

TEST(Variant, BooleansAreMinusOneAndAnyNonZeroIsTrue) {
  EXPECT_EQ(Variant::fromBool(true).asInt16(), -1);
  EXPECT_EQ(Variant::fromBool(false).asInt32(99), 0);
  EXPECT_TRUE(Variant(std::int32_t{1}).asBool());
  EXPECT_TRUE(Variant("TRUE").asBool());
  EXPECT_FALSE(Variant(" false ").asBool(true));
  EXPECT_EQ(Variant::fromBool(true).asString(), "True");
}

TEST(Variant, NumericConversionsRoundToEvenAndCheckRange) {
  std::int16_t small = 7;
  EXPECT_EQ(Variant(40000).toInt16(small), kOverflow);
  EXPECT_EQ(small, 7);  // untouched on failure
  EXPECT_EQ(Variant(2.5).asInt16(), 2);
  EXPECT_EQ(Variant(3.5).asInt16(), 4);
  EXPECT_EQ(Variant(-2.5f).asInt32(), -2);
  float f = 0;
  EXPECT_EQ(Variant(1e300).toFloat(f), kOverflow);
  std::int32_t big = 0;
  EXPECT_EQ(Variant(0.0 / 0.0).toInt32(big), kOverflow);
}

TEST(Variant, StringsConvertOnlyWhenTheyHoldOneNumber) {
  EXPECT_DOUBLE_EQ(Variant(" 0.03333 ").asDouble(), 0.03333);
  EXPECT_EQ(Variant("+12").asInt16(), 12);
  std::int32_t v = 5;
  EXPECT_EQ(Variant("12abc").toInt32(v), kTypeMismatch);
  EXPECT_EQ(Variant("").toInt32(v), kTypeMismatch);
  EXPECT_EQ(v, 5);
  // Shortest text that reads back to the same value.
  EXPECT_EQ(Variant(0.1).asString(), "0.1");
  EXPECT_EQ(Variant(0.1f).asString(), "0.1");
}

struct Picture : Object {
  std::string typeName() const override { return "Picture"; }
};

TEST(Variant, ObjectsTravelByReferenceAndConvertToNothingElse) {
  auto picture = std::make_shared<Picture>();
  Variant v{std::shared_ptr<Object>(picture)};
  EXPECT_EQ(v.toObject(), picture);
  std::string text;
  EXPECT_EQ(v.toString(text), kTypeMismatch);
  Variant out;
  EXPECT_EQ(Variant().convertTo(VariantType::Object, out), kOk);  // "no picture"
  EXPECT_EQ(Variant(1).convertTo(VariantType::Object, out), kTypeMismatch);
}

// A small control with one member of every kind.
class Sample : public Dispatch {
 public:
  std::string name = "a.mpg";
  std::int16_t level = 3;
  Sample() {
    addProperty({"FileName", 1, VariantType::String, [this] { return Variant(name); },
                 [this](const Variant& v) {
                   name = v.asString();
                   setModified();
                   return Status::success();
                 }});
    addProperty({"Level", 2, VariantType::Int16, [this] { return Variant(level); }, nullptr});
    addProperty({"Broken", 3, VariantType::Int32, []() -> Variant { throw std::bad_alloc(); },
                 [](const Variant&) -> Status { throw std::runtime_error("disk gone"); }});
    addMethod({"Scale",
               4,
               VariantType::Double,
               {{"factor", VariantType::Double}, {"offset", VariantType::Int16, true, Variant(10)}},
               [](const Args& a) { return Variant(a[0].asDouble() * 2 + a[1].asInt16()); }});
    addMethod({"Reset", 5, VariantType::Empty, {}, [this](const Args&) {
                 level = 0;
                 return Variant(42);  // ignored: Reset has no result
               }});
  }
};

TEST(Dispatch, NamesIgnoreCaseAndIdsReachTheSameMember) {
  Sample s;
  EXPECT_EQ(s.idOf("FILENAME"), 1);
  EXPECT_EQ(s.idOf("nothing"), Dispatch::kNoMember);
  ASSERT_TRUE(s.setProperty("filename", Variant("b.mpg")).ok());
  Variant v;
  ASSERT_TRUE(s.getProperty(1, v).ok());
  EXPECT_EQ(v.asString(), "b.mpg");
  EXPECT_TRUE(s.isModified());
  // A number given to a string property is converted.
  ASSERT_TRUE(s.setProperty(1, Variant(7)).ok());
  EXPECT_EQ(s.name, "7");
  EXPECT_FALSE(s.addProperty({"LEVEL", 9, VariantType::Int16, nullptr, nullptr}));
  EXPECT_FALSE(s.addMethod({"Other", 2, VariantType::Empty, {}, nullptr}));
}

TEST(Dispatch, RefusalsCarryTheirOwnNumbersAndMessages) {
  Sample s;
  Status st = s.setProperty("Level", Variant(1));
  EXPECT_EQ(st.code, kReadOnly);
  EXPECT_EQ(st.message, "property 'Level' is read-only");
  EXPECT_EQ(s.level, 3);

  st = s.setProperty("Colour", Variant(1));
  EXPECT_EQ(st.code, kUnknownMember);
  EXPECT_EQ(st.message, "unknown member 'Colour'");
  Variant v;
  st = s.getProperty(77, v);
  EXPECT_EQ(st.code, kUnknownMember);
  EXPECT_EQ(st.message, "unknown dispatch id 77");
  EXPECT_EQ(s.getProperty("Scale", v).code, kUnknownMember);  // a method
  EXPECT_EQ(s.invoke("Level", {}, v).code, kUnknownMember);   // a property

  // Conversion failures do not reach the setter.
  EXPECT_EQ(s.setProperty(1, Variant(std::shared_ptr<Object>(std::make_shared<Picture>()))).code,
            kTypeMismatch);
  EXPECT_EQ(s.name, "a.mpg");
}

TEST(Dispatch, NothingThrowsOutOfAMember) {
  Sample s;
  Variant v(5);
  Status st = s.getProperty("Broken", v);
  EXPECT_EQ(st.code, kOutOfMemory);
  EXPECT_EQ(v.asInt32(), 5);
  st = s.setProperty("Broken", Variant(1));
  EXPECT_EQ(st.code, kMemberFailed);
  EXPECT_NE(st.message.find("disk gone"), std::string::npos);
}

TEST(Dispatch, MethodArgumentsAreCountedConvertedAndDefaulted) {
  Sample s;
  Variant r;
  ASSERT_TRUE(s.invoke("scale", {Variant("1.5")}, r).ok());
  EXPECT_EQ(r.type(), VariantType::Double);
  EXPECT_DOUBLE_EQ(r.asDouble(), 13.0);
  ASSERT_TRUE(s.invoke(4, {Variant(1), Variant(2.0)}, r).ok());
  EXPECT_DOUBLE_EQ(r.asDouble(), 4.0);
  EXPECT_EQ(s.invoke(4, {}, r).code, kWrongArgCount);
  EXPECT_EQ(s.invoke(4, {Variant(1), Variant(1), Variant(1)}, r).code, kWrongArgCount);
  EXPECT_EQ(s.invoke(4, {Variant(1), Variant(100000)}, r).code, kOverflow);
  ASSERT_TRUE(s.invoke("Reset", {}, r).ok());
  EXPECT_TRUE(r.isEmpty());
  EXPECT_EQ(s.level, 0);
}

}  // namespace
}  // namespace cw::automation
