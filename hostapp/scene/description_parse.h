// Readers of the three files behind one description resource:
//
// <name>.h, the symbol header the plug-in compiles against: C enums of NAME = value
// (a NAME without a value is the previous one plus 1); preprocessor lines are skipped.
//
// <name>.str, the labels, under res/strings_us/description/:
//     STRINGTABLE TTavrenres
//     {
//       TTavrenres "Tavren Bind";          // the title, keyed by the container's name
//       TTAVREN_ITERATIONS "Iterations";   // an entry, a group or a cycle choice by its key
//       2001 "Smoothing";                  // a group declared with a plain number
//     }
//
// <name>.res, the layout:
//     CONTAINER TTavrenres
//     {
//       NAME TTavrenres;                   // the key of the title
//       INCLUDE Texpression;               // a host base description
//       GROUP ID_TAGPROPERTIES             // a group: host name, header symbol, number or none
//       {
//         COLUMNS 2;
//         LONG TTAVREN_ITERATIONS { MIN 0; DEFAULT 2; }
//         LONG TTAVREN_SMOOTHTYPE { CYCLE { TTAVREN_SMOOTHTYPE_UNIFORM; TTAVREN_SMOOTHTYPE_DISTANCE; } DEFAULT 1; }
//         LINK TTAVREN_VERTEXMAP { ACCEPT { Tvertexmap; } DEFAULT UNSET; }
//       }
//     }
// Entry types: BUTTON, STATICTEXT, STRING, LONG, BOOL, REAL, VECTOR, LINK, IN_EXCLUDE.
// Properties: MIN, MAX, STEP (LONG, REAL, VECTOR), CYCLE (LONG), ACCEPT (LINK, IN_EXCLUDE),
// SCALE_H (layout, any), and DEFAULT, which every entry but a button must give:
//     DEFAULT <number | symbol>;   LONG, BOOL (0 or 1), REAL; VECTOR takes three numbers
//     DEFAULT "text";              STRING, STATICTEXT
//     DEFAULT UNSET;               nothing is stored until the user sets it
//     DEFAULT BYPLUGIN;            STRING, STATICTEXT: the plug-in writes the text itself
// Entry ids are symbols of the header; every key used needs a label and every label a use.
// Comments: // to the end of the line and /* ... */.
#ifndef HOSTAPP_SCENE_DESCRIPTION_PARSE_H
#define HOSTAPP_SCENE_DESCRIPTION_PARSE_H

#include <cstdint>
#include <map>
#include <string>

#include "hostapp/scene/description.h"

namespace hostapp {

// in: text of a symbol header, file (named in errors). out: true and *symbols; false with
// *error "file:line: what".
bool ParseSymbolHeader(const std::string& text, const std::string& file,
                       std::map<std::string, int32_t>* symbols, std::string* error);

// One source text and the name it is reported under.
struct SourceText {
  std::string text;
  std::string file;
};

// in: the .res, its .h and its .str. out: true and *out (name, title, file, includes, own
// entries with labels); false with *error "file:line: what", naming whichever of the three
// files is at fault.
bool ParseDescription(const SourceText& res, const SourceText& header, const SourceText& strings,
                      Description* out, std::string* error);

}  // namespace hostapp

#endif  // HOSTAPP_SCENE_DESCRIPTION_PARSE_H
