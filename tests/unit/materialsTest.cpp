#include "core/mesh/materials.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A material as one line: name, Kd, Ka, Ks, Ns, d and map, for comparing whole tables.
std::string describe(const Material& m)
{
    char text[512];
    snprintf(text, sizeof(text), "%s Kd %g %g %g Ka %g %g %g Ks %g %g %g Ns %g d %g map '%s'", m.name.c_str(),
             double(m.diffuse.x), double(m.diffuse.y), double(m.diffuse.z), double(m.ambient.x), double(m.ambient.y),
             double(m.ambient.z), double(m.specular.x), double(m.specular.y), double(m.specular.z),
             double(m.shininess), double(m.opacity), m.diffuseMap.file.c_str());
    std::string described = text;
    // what the physically based look reads besides, where a material has it
    if (m.emissive.x != 0.0f || m.emissive.y != 0.0f || m.emissive.z != 0.0f) {
        snprintf(text, sizeof(text), " Ke %g %g %g", double(m.emissive.x), double(m.emissive.y), double(m.emissive.z));
        described += text;
    }
    if (!m.emissiveMap.file.empty())
        described += " emissive '" + m.emissiveMap.file + "'";
    if (!m.normalMap.file.empty())
        described += " normal '" + m.normalMap.file + "'";
    return described;
}

std::string problems(const ProblemList& list)
{
    std::string text;
    for (const Problem& p : list.problems)
        text += p.subject + " x" + std::to_string(p.tally.count) + " @" + std::to_string(p.tally.firstAt) + ";";
    return text;
}

} // namespace

TEST(Mtl, ReadsWhatShowsAndReportsTheRest)
{
    const struct {
        std::string text;
        const char* materials;  // each described, then '|'
        const char* problems;
    } cases[] = {
        // colours of three numbers or one; a CRLF file; comments and blank lines
        {"newmtl a\r\nKd 1 0.5 0\r\nKa 0.1\r\n# note\r\n\r\nKs 0.5 0.5 0.5\r\nNs 96\r\n",
         "a Kd 1 0.5 0 Ka 0.1 0.1 0.1 Ks 0.5 0.5 0.5 Ns 96 d 1 map ''|", ""},
        // d stands against Tr; Tr alone is 1 - d; a full transparency by Tr alone stays opaque, told once
        {"newmtl a\nd 0.5\nTr 0.9\nnewmtl b\nTr 0.25\nnewmtl c\nTr 1\nnewmtl e\nTr 1.0\n",
         "a Kd 0.8 0.8 0.8 Ka 0.2 0.2 0.2 Ks 0 0 0 Ns 0 d 0.5 map ''|"
         "b Kd 0.8 0.8 0.8 Ka 0.2 0.2 0.2 Ks 0 0 0 Ns 0 d 0.75 map ''|"
         "c Kd 0.8 0.8 0.8 Ka 0.2 0.2 0.2 Ks 0 0 0 Ns 0 d 1 map ''|"
         "e Kd 0.8 0.8 0.8 Ka 0.2 0.2 0.2 Ks 0 0 0 Ns 0 d 1 map ''|",
         "Tr x2 @7;"},
        // a map with options and spaces in its name, found from the file's folder; a name with spaces
        {"newmtl wood grain\nmap_Kd -s 2 2 1 -o 0.5 0 0 -clamp on my texture.png \n",
         "wood grain Kd 0.8 0.8 0.8 Ka 0.2 0.2 0.2 Ks 0 0 0 Ns 0 d 1 map 'models/my texture.png'|",
         "-s x1 @2;-o x1 @2;-clamp x1 @2;"},
        // an option's values are whole numbers: a map named like a number's start is the map
        {"newmtl a\nmap_Kd -bm 0.5 2.png\n", "a Kd 0.8 0.8 0.8 Ka 0.2 0.2 0.2 Ks 0 0 0 Ns 0 d 1 map 'models/2.png'|",
         "-bm x1 @2;"},
        // statements passed over, unknown ones, one before any newmtl, numbers missing
        {"Kd 1 1 1\nnewmtl a\nillum 2\nKe 1 1 1\nfoo 1\nfoo 2\nKd\nd x\n",
         "a Kd 0.8 0.8 0.8 Ka 0.2 0.2 0.2 Ks 0 0 0 Ns 0 d 1 map '' Ke 1 1 1|", "Kd x1 @1;foo x2 @5;Kd x1 @7;d x1 @8;"},
        // colors of two numbers, or a non-finite one: told, and the material keeps its own
        {"newmtl a\nKd 0.1 0.2\nKa nan inf 0.5\nKs 0.5 0.5 0.5\nNs inf\n",
         "a Kd 0.8 0.8 0.8 Ka 0.2 0.2 0.2 Ks 0.5 0.5 0.5 Ns 0 d 1 map ''|", "Kd x1 @2;Ka x1 @3;Ns x1 @5;"},
        // emission and normal maps, in any case, their options passed over
        {"newmtl a\nKe 1 0.5 0\nmap_Ke -clamp on glow.png\nMAP_BUMP -bm 0.5 dents.png\nnewmtl b\nnorm n.png\n"
         "newmtl c\nbump b.png\n",
         "a Kd 0.8 0.8 0.8 Ka 0.2 0.2 0.2 Ks 0 0 0 Ns 0 d 1 map '' Ke 1 0.5 0 emissive 'models/glow.png' "
         "normal 'models/dents.png'|b Kd 0.8 0.8 0.8 Ka 0.2 0.2 0.2 Ks 0 0 0 Ns 0 d 1 map '' normal 'models/n.png'|"
         "c Kd 0.8 0.8 0.8 Ka 0.2 0.2 0.2 Ks 0 0 0 Ns 0 d 1 map '' normal 'models/b.png'|",
         ""},
        // out of range d, a zero byte
        {std::string("newmtl a\nd 3\nKs 1\0 trailing\n", 29), "a Kd 0.8 0.8 0.8 Ka 0.2 0.2 0.2 Ks 1 1 1 Ns 0 d 1 map ''|", ""},
    };
    for (const auto& c : cases) {
        std::vector<Material> materials;
        ProblemList report;
        readMtlText(c.text.data(), c.text.size(), "models/lib.mtl", materials, report);
        std::string described;
        for (const Material& m : materials)
            described += describe(m) + "|";
        EXPECT_EQ(described, c.materials) << c.text;
        EXPECT_EQ(problems(report), c.problems) << c.text;
    }
}
