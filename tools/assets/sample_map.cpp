#include "assets/sample_map.h"

#include <cstring>

namespace {

// Each picture below is laid out as the editor first shows the map: one
// text line per column (0 at the top), one character per row (0 at the
// left).
//
// Terrain: - sea, s sand, m meadow, g grass, f forest floor, h hills,
// r rock, S snow, l lake, w river.
const char* const terrain[mapColumns] = {
    "--smmmggffhrrSS", //
    "--smmmggfffrrSS", //
    "--smmmmggfhhrrS", //
    "-ssmmmmgggghhrr", //
    "-ssmmmmggggghhh", //
    "-smmmmglllgggfh", //
    "-smmmmglllgggff", //
    "-wwwwwwwlggggff", //
    "-ssmmmmggggmgff", //
    "--ssmmmmggmmmgf", //
    "---ssmmmmmmmmgg", //
};

// Objects: = paved road (1), B bridge (2), C conifers, T broadleaf trees,
// R rocks, H house, W watchtower, K castle, F field, M windmill,
// P palisade. The road runs down row 5 over the river, with a branch along
// column 3 up to the castle.
const char* const objects[mapColumns] = {
    ".....=..CC..R..", //
    ".....=H.CCW..R.", //
    "....H=H..C....R", //
    "...H.======K...", //
    "....H=......P..", //
    ".....=.....T.C.", //
    ".....=T...T..CC", //
    ".....B....T..CC", //
    "...FF=F.......C", //
    "....F=M........", //
    ".....=.........", //
};

// Units: a..f the blue spearman, archer, knight, catapult, ship and banner
// bearer; A..F the same of the red army. Blue holds the castle, red lands
// on the beach.
const char* const units[mapColumns] = {
    "...............", //
    "...............", //
    "e..........b...", //
    ".........ca.f..", //
    "..........da...", //
    "...............", //
    "...............", //
    "...............", //
    "E..............", //
    ".EAB.C.........", //
    "...AF.D........", //
};

struct Ground {
    char code;
    float height;
    float water;
};

const Ground grounds[] = {
    {'-', 0.0f, 2}, {'s', 0.0f, 0}, {'m', 0.5f, 0}, {'g', 1.0f, 0}, {'f', 1.5f, 0},
    {'h', 2.0f, 0}, {'r', 2.5f, 0}, {'S', 3.0f, 0}, {'l', 1.0f, 2}, {'w', 0.5f, 2},
};

float objectNumber(char code) {
    const char* const order = "=BCTRHWKFMP";
    const char* found = std::strchr(order, code);
    return code != '.' && found != nullptr ? static_cast<float>(found - order + 1) : 0.0f;
}

float unitNumber(char code) {
    if (code >= 'a' && code <= 'f')
        return static_cast<float>(code - 'a' + 1);
    if (code >= 'A' && code <= 'F')
        return static_cast<float>(code - 'A' + 7);
    return 0.0f;
}

} // namespace

void makeSampleMap(HexMap& map) {
    clearHexMap(map);
    for (int column = 0; column < mapColumns; ++column)
        for (int row = 0; row < mapRows; ++row) {
            for (const Ground& g : grounds)
                if (g.code == terrain[column][row]) {
                    map.height.cell[row][column] = g.height;
                    map.water.cell[row][column] = g.water;
                }
            map.object.cell[row][column] = objectNumber(objects[column][row]);
            map.unit.cell[row][column] = unitNumber(units[column][row]);
        }
}
