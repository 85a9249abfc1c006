#pragma once

#include <map>
#include <memory>
#include <string>

namespace nodeloom {

class Style;
class XmlValueContext;
class XmlElement;

// Styles by item type name ("ShapeNode", "DiagramLink", ...). A document may carry a theme of
// its own; behind it stands the process-wide default theme.
class Theme {
public:
    using Styles = std::map<std::string, std::shared_ptr<Style>>;

    Theme();
    virtual ~Theme();

    const Styles& styles() const { return styles_; }
    Styles& styles() { return styles_; }
    void setStyles(Styles styles) { styles_ = std::move(styles); }

    // Adds the styles of a theme element: one child per style, keyed by its "TargetType"
    // attribute, replacing the style of that key. A child without "TargetType" is skipped.
    virtual void loadFromXml(const std::shared_ptr<XmlElement>& element, XmlValueContext& context);
    // Writes one "Style" child per entry, in the form loadFromXml reads.
    virtual void saveToXml(const std::shared_ptr<XmlElement>& element) const;

    // The shared default theme, filled with the seven default styles whenever it is found
    // empty. Every call answers the same object until the host installs another one.
    static std::shared_ptr<Theme> defaultTheme();

private:
    Styles styles_;
};

// The process-wide default theme, created empty on first use; the host may install its own.
class ThemeStatic {
public:
    ThemeStatic() = delete;

    static const std::shared_ptr<Theme>& defaultStyles();
    // A null theme installs a new empty one, which defaultTheme() then fills.
    static void setDefaultStyles(std::shared_ptr<Theme> theme);

private:
    static std::shared_ptr<Theme>& slot();
};

}  // namespace nodeloom
