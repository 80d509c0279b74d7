#pragma once

// How a site is told apart from its surroundings. The defaults suit drawn and scanned plans.
struct TraceOptions
{
    // Largest difference in any colour channel from the colour at the seed that still counts as
    // the same site: JPEG noise and scan grain stay well inside it.
    int colourTolerance = 40;
    // Breaks in a boundary line up to this many pixels are bridged.
    int maxGap = 10;
    // Symbols (trees, marks) up to this radius that sit over the boundary are taken into the
    // site rather than cut out of it.
    int symbolRadius = 10;
    // traceSite looks no farther than this from the seed (in a window twice as wide), which keeps
    // a double-click on a road network or a margin from reading the whole of a large picture.
    int searchRadius = 1024;
};
