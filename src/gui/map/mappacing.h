#pragma once

// How the map paces its drawing while the view moves. A layer drawn within a frame's time is
// drawn anew at every step; a slower one (tens of thousands of cities) is moved and scaled as a
// picture until the view rests, and is then drawn anew. Names wait for the rest too: placing
// them costs more than a small network's frame.
struct MapPacing
{
    double frameMs = 16; // a layer that took at most this long is drawn anew at every step
    int restMs = 150;    // the view rests once the wheel and keys have left it this long
    // Pixels of crowded roads drawn as lines; beyond, a sample of about this many pixels of
    // roads is summed into a picture of their density, which takes a fraction of a second
    // whatever the network (0: every road summed so).
    double linePixels = 40e6;
};

// The pacing of every map, as QStyleHints holds the application's other timings: tests set it
// so that what they read off the map does not depend on how fast the machine is.
MapPacing &mapPacing();
