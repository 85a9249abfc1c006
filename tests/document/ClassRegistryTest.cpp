#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <unordered_set>

#include "Nodeloom/document/ClassDescriptor.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/foundation/Metatype.h"
#include "Nodeloom/foundation/Object.h"

namespace nodeloom {
namespace {

class Widget : public Object {};

Metatype<Widget> widgetType(const std::string& name) {
    return Metatype<Widget>([] { return std::make_shared<Widget>(); }, name);
}

TEST(Metatype, RecordsAreEqualByNameAndSurviveConversion) {
    const auto a = widgetType("test:Widget");
    EXPECT_EQ(a, widgetType("test:Widget"));
    EXPECT_FALSE(a == widgetType("test:Other"));
    std::unordered_set<Metatype<Widget>> set{a};
    EXPECT_EQ(set.count(widgetType("test:Widget")), 1u);

    const Metatype<Object> any = a;
    EXPECT_EQ(any.name(), "test:Widget");
    EXPECT_NE(std::dynamic_pointer_cast<Widget>(any.getInstance()), nullptr);
    EXPECT_EQ(Metatype<Object>(nullptr, "test:Nothing").getInstance(), nullptr);
}

TEST(ClassRegistry, EntriesAreFoundThroughAnEqualRecordAndReplaced) {
    EXPECT_EQ(ClassDescriptor::find(widgetType("test:Unregistered")), nullptr);

    Diagram::registerItemClass(widgetType("test:Registered"), "host:First", 1);
    Diagram::registerClass(widgetType("test:Registered"), "host:Second", 3);
    const auto found = ClassDescriptor::find(widgetType("test:Registered"));
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->_classId(), "host:Second");
    EXPECT_EQ(found->_classVersion(), 3);
    EXPECT_EQ(ClassDescriptor::classesById().at("host:Second"), found);
    // Each registration enters its own id; the first one stays in the id map.
    EXPECT_EQ(ClassDescriptor::classesById().count("host:First"), 1u);
}

}  // namespace
}  // namespace nodeloom
