#include "library_generator.h"

#include <random>

namespace malvor::bench {
namespace {

const char* const netlist_packages[] = {
    "R0805", "C0805", "SOT23", "SO8", "DIP14", "TO220", "LED3MM"};

}  // namespace

std::string generate_library(std::size_t packages, const std::string& suffix)
{
    std::mt19937 random(7);
    std::string text =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
        "<!DOCTYPE eagle SYSTEM \"eagle.dtd\">\n<eagle version=\"9.6.2\">\n<drawing>\n"
        "<settings>\n<setting alwaysvectorfont=\"no\"/>\n</settings>\n"
        "<grid distance=\"0.1\" unitdist=\"inch\" unit=\"inch\"/>\n<layers>\n"
        "<layer number=\"1\" name=\"Top\" color=\"4\" fill=\"1\" visible=\"yes\" active=\"yes\"/>\n"
        "</layers>\n<library>\n<description>Generated for measuring</description>\n<packages>\n";
    for (std::size_t p = 0; p < packages; ++p) {
        std::string name = p < std::size(netlist_packages)
                               ? netlist_packages[p] + suffix
                               : "PKG-" + std::to_string(p) + "$X" + suffix;
        std::size_t pads = p < std::size(netlist_packages) ? 14 : 2 + random() % 40;
        text += "<package name=\"" + name + "\">\n<description>Package " + name +
                "</description>\n";
        for (int w = 0; w < 52; ++w)
            text += "<wire x1=\"-" + std::to_string(w) + ".27\" y1=\"0.635\" x2=\"" +
                    std::to_string(w) + ".27\" y2=\"-0.635\" width=\"0.1524\" layer=\"21\"/>\n";
        for (std::size_t pad = 1; pad <= pads; ++pad) {
            auto x = std::to_string(pad) + ".27";
            if (pad % 2 == 0)
                text += "<pad name=\"" + std::to_string(pad) + "\" x=\"" + x +
                        "\" y=\"0\" drill=\"0.8\" shape=\"octagon\"/>\n";
            else
                text += "<smd name=\"" + std::to_string(pad) + "\" x=\"" + x +
                        "\" y=\"1.5\" dx=\"0.6\" dy=\"1.2\" layer=\"1\" roundness=\"25\"/>\n";
        }
        text +=
            "<text x=\"-1.27\" y=\"1.905\" size=\"1.27\" layer=\"25\">&gt;NAME</text>\n"
            "<text x=\"-1.27\" y=\"-3.175\" size=\"1.27\" layer=\"27\">&gt;VALUE</text>\n"
            "</package>\n";
    }
    text +=
        "</packages>\n<symbols>\n</symbols>\n<devicesets>\n</devicesets>\n</library>\n"
        "</drawing>\n</eagle>\n";
    return text;
}

}  // namespace malvor::bench
