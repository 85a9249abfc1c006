#pragma once

#include <memory>

#include "Nodeloom/foundation/Color.h"

namespace nodeloom {

// The named colours. Each getter gives one shared object, made on first use and the same on every
// later call, so changing a component of a named colour changes it for every later user.
class Colors {
public:
    Colors() = delete;

    // Full-intensity green (the web colour lime, a separate object) and gray at exactly 0.5.
    static const std::shared_ptr<Color>& Black();
    static const std::shared_ptr<Color>& White();
    static const std::shared_ptr<Color>& Red();
    static const std::shared_ptr<Color>& Green();
    static const std::shared_ptr<Color>& Blue();
    static const std::shared_ptr<Color>& Gray();
    static const std::shared_ptr<Color>& Transparent();
    static const std::shared_ptr<Color>& Empty();

    // The web colour keywords, each component k/255.
    static const std::shared_ptr<Color>& AliceBlue();
    static const std::shared_ptr<Color>& AntiqueWhite();
    static const std::shared_ptr<Color>& Aqua();
    static const std::shared_ptr<Color>& Aquamarine();
    static const std::shared_ptr<Color>& Azure();
    static const std::shared_ptr<Color>& Beige();
    static const std::shared_ptr<Color>& Bisque();
    static const std::shared_ptr<Color>& BlanchedAlmond();
    static const std::shared_ptr<Color>& BlueViolet();
    static const std::shared_ptr<Color>& Brown();
    static const std::shared_ptr<Color>& BurlyWood();
    static const std::shared_ptr<Color>& CadetBlue();
    static const std::shared_ptr<Color>& Chartreuse();
    static const std::shared_ptr<Color>& Chocolate();
    static const std::shared_ptr<Color>& Coral();
    static const std::shared_ptr<Color>& CornflowerBlue();
    static const std::shared_ptr<Color>& Cornsilk();
    static const std::shared_ptr<Color>& Crimson();
    static const std::shared_ptr<Color>& Cyan();
    static const std::shared_ptr<Color>& DarkBlue();
    static const std::shared_ptr<Color>& DarkCyan();
    static const std::shared_ptr<Color>& DarkGoldenrod();
    static const std::shared_ptr<Color>& DarkGray();
    static const std::shared_ptr<Color>& DarkGreen();
    static const std::shared_ptr<Color>& DarkKhaki();
    static const std::shared_ptr<Color>& DarkMagenta();
    static const std::shared_ptr<Color>& DarkOliveGreen();
    static const std::shared_ptr<Color>& DarkOrange();
    static const std::shared_ptr<Color>& DarkOrchid();
    static const std::shared_ptr<Color>& DarkRed();
    static const std::shared_ptr<Color>& DarkSalmon();
    static const std::shared_ptr<Color>& DarkSeaGreen();
    static const std::shared_ptr<Color>& DarkSlateBlue();
    static const std::shared_ptr<Color>& DarkSlateGray();
    static const std::shared_ptr<Color>& DarkTurquoise();
    static const std::shared_ptr<Color>& DarkViolet();
    static const std::shared_ptr<Color>& DeepPink();
    static const std::shared_ptr<Color>& DeepSkyBlue();
    static const std::shared_ptr<Color>& DimGray();
    static const std::shared_ptr<Color>& DodgerBlue();
    static const std::shared_ptr<Color>& Firebrick();
    static const std::shared_ptr<Color>& FloralWhite();
    static const std::shared_ptr<Color>& ForestGreen();
    static const std::shared_ptr<Color>& Fuchsia();
    static const std::shared_ptr<Color>& Gainsboro();
    static const std::shared_ptr<Color>& GhostWhite();
    static const std::shared_ptr<Color>& Gold();
    static const std::shared_ptr<Color>& Goldenrod();
    static const std::shared_ptr<Color>& GreenYellow();
    static const std::shared_ptr<Color>& Honeydew();
    static const std::shared_ptr<Color>& HotPink();
    static const std::shared_ptr<Color>& IndianRed();
    static const std::shared_ptr<Color>& Indigo();
    static const std::shared_ptr<Color>& Ivory();
    static const std::shared_ptr<Color>& Khaki();
    static const std::shared_ptr<Color>& Lavender();
    static const std::shared_ptr<Color>& LavenderBlush();
    static const std::shared_ptr<Color>& LawnGreen();
    static const std::shared_ptr<Color>& LemonChiffon();
    static const std::shared_ptr<Color>& LightBlue();
    static const std::shared_ptr<Color>& LightCoral();
    static const std::shared_ptr<Color>& LightCyan();
    static const std::shared_ptr<Color>& LightGoldenrodYellow();
    static const std::shared_ptr<Color>& LightGreen();
    static const std::shared_ptr<Color>& LightGray();
    static const std::shared_ptr<Color>& LightPink();
    static const std::shared_ptr<Color>& LightSalmon();
    static const std::shared_ptr<Color>& LightSeaGreen();
    static const std::shared_ptr<Color>& LightSkyBlue();
    static const std::shared_ptr<Color>& LightSlateGray();
    static const std::shared_ptr<Color>& LightSteelBlue();
    static const std::shared_ptr<Color>& LightYellow();
    static const std::shared_ptr<Color>& Lime();
    static const std::shared_ptr<Color>& LimeGreen();
    static const std::shared_ptr<Color>& Linen();
    static const std::shared_ptr<Color>& Magenta();
    static const std::shared_ptr<Color>& Maroon();
    static const std::shared_ptr<Color>& MediumAquamarine();
    static const std::shared_ptr<Color>& MediumBlue();
    static const std::shared_ptr<Color>& MediumOrchid();
    static const std::shared_ptr<Color>& MediumPurple();
    static const std::shared_ptr<Color>& MediumSeaGreen();
    static const std::shared_ptr<Color>& MediumSlateBlue();
    static const std::shared_ptr<Color>& MediumSpringGreen();
    static const std::shared_ptr<Color>& MediumTurquoise();
    static const std::shared_ptr<Color>& MediumVioletRed();
    static const std::shared_ptr<Color>& MidnightBlue();
    static const std::shared_ptr<Color>& MintCream();
    static const std::shared_ptr<Color>& MistyRose();
    static const std::shared_ptr<Color>& Moccasin();
    static const std::shared_ptr<Color>& NavajoWhite();
    static const std::shared_ptr<Color>& Navy();
    static const std::shared_ptr<Color>& OldLace();
    static const std::shared_ptr<Color>& Olive();
    static const std::shared_ptr<Color>& OliveDrab();
    static const std::shared_ptr<Color>& Orange();
    static const std::shared_ptr<Color>& OrangeRed();
    static const std::shared_ptr<Color>& Orchid();
    static const std::shared_ptr<Color>& PaleGoldenrod();
    static const std::shared_ptr<Color>& PaleGreen();
    static const std::shared_ptr<Color>& PaleTurquoise();
    static const std::shared_ptr<Color>& PaleVioletRed();
    static const std::shared_ptr<Color>& PapayaWhip();
    static const std::shared_ptr<Color>& PeachPuff();
    static const std::shared_ptr<Color>& Peru();
    static const std::shared_ptr<Color>& Pink();
    static const std::shared_ptr<Color>& Plum();
    static const std::shared_ptr<Color>& PowderBlue();
    static const std::shared_ptr<Color>& Purple();
    static const std::shared_ptr<Color>& RosyBrown();
    static const std::shared_ptr<Color>& RoyalBlue();
    static const std::shared_ptr<Color>& SaddleBrown();
    static const std::shared_ptr<Color>& Salmon();
    static const std::shared_ptr<Color>& SandyBrown();
    static const std::shared_ptr<Color>& SeaGreen();
    static const std::shared_ptr<Color>& SeaShell();
    static const std::shared_ptr<Color>& Sienna();
    static const std::shared_ptr<Color>& Silver();
    static const std::shared_ptr<Color>& SkyBlue();
    static const std::shared_ptr<Color>& SlateBlue();
    static const std::shared_ptr<Color>& SlateGray();
    static const std::shared_ptr<Color>& Snow();
    static const std::shared_ptr<Color>& SpringGreen();
    static const std::shared_ptr<Color>& SteelBlue();
    static const std::shared_ptr<Color>& Tan();
    static const std::shared_ptr<Color>& Teal();
    static const std::shared_ptr<Color>& Thistle();
    static const std::shared_ptr<Color>& Tomato();
    static const std::shared_ptr<Color>& Turquoise();
    static const std::shared_ptr<Color>& Violet();
    static const std::shared_ptr<Color>& Wheat();
    static const std::shared_ptr<Color>& WhiteSmoke();
    static const std::shared_ptr<Color>& Yellow();
    static const std::shared_ptr<Color>& YellowGreen();
};

}  // namespace nodeloom
