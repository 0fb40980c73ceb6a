// Resource numbers shared by resources.rc and the code that finds them. Icon 1, the light bulb,
// is packaging/windows/brelunda.rc's: the first icon of the file is the one Explorer shows.
#pragma once

#define BRELUNDA_ICON_LIGHTBULB 1
#define BRELUNDA_ICON_TREE 2
#define BRELUNDA_PICTURE_BACKGROUND 10
// The embedded faces' files, each family's in a row.
#define BRELUNDA_FONT_SERIF 20 // bold, bold italic
#define BRELUNDA_FONT_SANS 22  // bold, regular
#define BRELUNDA_FONT_SCRIPT 24
#define BRELUNDA_FONT_LICENCES 30
