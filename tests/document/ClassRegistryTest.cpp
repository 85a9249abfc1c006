#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <unordered_set>

#include "Nodeloom/document/ClassDescriptor.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/document/Metatype.h"
#include "Nodeloom/foundation/Object.h"

namespace nodeloom {
namespace {

class Widget : public Object {
public:
    int size = 7;
};

Metatype<Widget> widgetType(const std::string& name) {
    return Metatype<Widget>([] { return std::make_shared<Widget>(); }, name);
}

TEST(Metatype, RecordsWithTheSameNameAreEqualAndHashAlike) {
    const auto a = widgetType("test:Widget");
    const auto b = widgetType("test:Widget");
    EXPECT_EQ(a, b);
    EXPECT_EQ(std::hash<Metatype<Widget>>{}(a), std::hash<Metatype<Widget>>{}(b));
    EXPECT_FALSE(a == widgetType("test:Other"));

    std::unordered_set<Metatype<Widget>> set{a};
    EXPECT_EQ(set.count(b), 1u);
}

TEST(Metatype, MakesInstancesAndKeepsItsNameThroughConversion) {
    const auto type = widgetType("test:Widget");
    ASSERT_NE(type.getInstance(), nullptr);
    EXPECT_EQ(type.getInstance()->size, 7);
    EXPECT_NE(type.getInstance(), type.getInstance());

    const Metatype<Object> any = type;
    EXPECT_EQ(any.name(), "test:Widget");
    EXPECT_NE(std::dynamic_pointer_cast<Widget>(any.getInstance()), nullptr);

    const Metatype<Object> empty(nullptr, "test:Nothing");
    EXPECT_EQ(empty.getInstance(), nullptr);
}

TEST(ClassRegistry, RegistrationIsFoundThroughAnyEqualRecord) {
    EXPECT_EQ(ClassDescriptor::find(widgetType("test:Unregistered")), nullptr);

    Diagram::registerItemClass(widgetType("test:Registered"), "host:Registered", 3);
    const auto found = ClassDescriptor::find(widgetType("test:Registered"));
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->_classId(), "host:Registered");
    EXPECT_EQ(found->_classVersion(), 3);
    EXPECT_EQ(found->_classType().name(), "test:Registered");
    EXPECT_EQ(ClassDescriptor::classesById().at("host:Registered"), found);
}

TEST(ClassRegistry, ASecondRegistrationReplacesTheFirst) {
    Diagram::registerClass(widgetType("test:Replaced"), "host:First", 1);
    Diagram::registerClass(widgetType("test:Replaced"), "host:Second", 2);
    const auto found = ClassDescriptor::find(widgetType("test:Replaced"));
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->_classId(), "host:Second");
    EXPECT_EQ(found->_classVersion(), 2);
    // The id map keeps both ids: each registration enters its own id.
    EXPECT_EQ(ClassDescriptor::classesById().at("host:Second"), found);
    EXPECT_EQ(ClassDescriptor::classesById().count("host:First"), 1u);
}

}  // namespace
}  // namespace nodeloom
