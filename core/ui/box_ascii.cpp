#include "ui/box_ascii.h"

namespace tanvex::ui {

unsigned char boxToAscii(unsigned char ch) {
    if (ch < 179 || ch == 255) return ch;
    switch (ch) {
    case 179:
    case 180:
    case 181:
        return '|';
    case 182:
        return 'I';
    case 183:
    case 184:
        return ',';
    case 185:
    case 186:
        return 'I';
    case 187:
        return ',';
    case 188:
    case 189:
    case 190:
        return '\'';
    case 191:
        return ',';
    case 192:
        return '`';
    case 193:
        return '\'';
    case 194:
        return ',';
    case 195:
        return '|';
    case 196:
        return '-';
    case 197:
    case 198:
        return '|';
    case 199:
        return 'I';
    case 200:
        return '`';
    case 201:
        return ',';
    case 202:
        return '\'';
    case 203:
        return ',';
    case 204:
        return 'I';
    case 205:
        return '=';
    case 206:
        return 'I';
    case 207:
    case 208:
        return '\'';
    case 209:
    case 210:
        return ',';
    case 211:
    case 212:
        return '`';
    case 213:
    case 214:
        return ',';
    case 215:
        return 'I';
    case 216:
        return '|';
    case 217:
        return '\'';
    case 218:
        return ',';
    case 219:
        return 'M';
    case 220:
        return '_';
    case 221:
        return '}';
    case 222:
        return '{';
    case 224:
        return 'a';
    case 225:
        return 'b';
    case 228:
        return 'E';
    case 230:
        return 'u';
    case 233:
        return 't';
    case 234:
        return 'O';
    case 240:
        return '=';
    case 244:
    case 245:
        return '/';
    case 248:
        return 'd';
    default:
        return ' '; // the rest of 223..254
    }
}

std::string boxToAscii(const std::string& text) {
    std::string out = text;
    for (char& c : out) c = static_cast<char>(boxToAscii(static_cast<unsigned char>(c)));
    return out;
}

} // namespace tanvex::ui
