#include "screen_placement.h"

#include <gtest/gtest.h>

using namespace sorvel;

TEST(ScreenPlacement, APlaceStaysWhileEnoughOfTheWindowIsOnAScreenElseMovesOntoTheNearest) {
    const std::vector<QRect> screens = {QRect(0, 0, 1280, 800), QRect(1280, 100, 1024, 768)};
    struct Case {
        QRect window;
        QPoint place;
    };
    const Case cases[] = {
        {{100, 200, 460, 142}, {100, 200}},       // on the first screen
        {{1500, 300, 460, 142}, {1500, 300}},     // on the second
        {{1240, 50, 460, 142}, {1240, 50}},       // across both, grabbable on the first
        {{1260, 50, 460, 142}, {1260, 50}},       // 20 px on the first, the rest on the second
        {{-440, 700, 460, 142}, {0, 658}},        // a 20 x 100 strip: too narrow to grab
        {{-450, 300, 460, 142}, {0, 300}},        // 10 px shown: too little to grab
        {{5000, 5000, 460, 142}, {1844, 726}},    // far off: into the nearest screen's corner
        {{100, -2000, 460, 142}, {100, 0}},       // above the screens
        {{-100, -100, 3000, 2000}, {-100, -100}}, // larger than the screen, which it covers
        {{200, 790, 460, 142}, {200, 658}},       // only 10 px high on the screen
    };
    for (const Case& c : cases) {
        EXPECT_EQ(reachablePlace(c.window, screens), c.place)
            << c.window.x() << "," << c.window.y();
    }
    EXPECT_EQ(reachablePlace(QRect(9000, 9000, 10, 10), {}), QPoint(9000, 9000));
    // A window smaller than the grip counts as reachable when all of it shows.
    EXPECT_EQ(reachablePlace(QRect(1270, 790, 10, 10), screens), QPoint(1270, 790));
}
