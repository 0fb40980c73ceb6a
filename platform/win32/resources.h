// Resource numbers shared by resources.rc and the code that finds them. Icon 1, the light bulb,
// is packaging/windows/brelunda.rc's: the first icon of the file is the one Explorer shows.
#pragma once

#define BRELUNDA_ICON_LIGHTBULB 1
#define BRELUNDA_ICON_TREE 2
#define BRELUNDA_PICTURE_BACKGROUND 10
#define BRELUNDA_FONT_FIRST 20
#define BRELUNDA_FONT_COUNT 5
#define BRELUNDA_FONT_LICENCES 30
