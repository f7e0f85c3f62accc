// The shell's rules that need no window: the 4:3 fit, the frame-sizing
// rule, the command line, the key map, the OpenGL format request and the
// file dialogs' filters.
#include <gtest/gtest.h>

#include <QRegularExpression>

#include "app/command_line.h"
#include "app/gl_view_window.h"
#include "app/key_map.h"
#include "app/main_app.h"
#include "app/main_frame.h"
#include "app/sizing.h"

namespace vimsa::app {
namespace {

TEST(FitFourThree, GivesTheLargestFourThreeRectangleWithSidesOfAtLeastTwo) {
    struct Case {
        Size view, fit;
    };
    const Case cases[] = {
        {{1000, 500}, {666, 500}},  // too wide: the height decides
        {{400, 600}, {400, 300}},   // too tall: the width decides
        {{1, 1}, {2, 2}},           // collapsed
        {{800, 600}, {800, 600}},   // exactly 4:3 takes the height branch
        {{0, 0}, {2, 2}},          {{641, 481}, {641, 480}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FitFourThree(c.view.width, c.view.height), c.fit)
            << c.view.width << " x " << c.view.height;
    }
}

TEST(SizeFrame, KeepsTheClientAtFourThreeForEachEdge) {
    // Borders of 8 x 30 around the client area; the window before the drag
    // is at (100, 50) with a client of 640 x 480.
    const Size borders{8, 30};
    struct Case {
        DragEdge edge;
        Rect proposed, expected;
    };
    const Case cases[] = {
        // Right edge inward stops at a client of 324 x 243, one pixel taller.
        {DragEdge::Right, {100, 50, 200, 560}, {100, 50, 100 + 332, 50 + 243 + 30 + 1}},
        // Right edge outward: the bottom follows.
        {DragEdge::Right, {100, 50, 908, 560}, {100, 50, 908, 50 + 600 + 30 + 1}},
        // Left edge: the left moves, the right stays.
        {DragEdge::Left, {500, 50, 748, 560}, {748 - 332, 50, 748, 50 + 243 + 30 + 1}},
        // Bottom edge: the height decides, the right edge follows.
        {DragEdge::Bottom, {100, 50, 748, 50 + 330}, {100, 50, 100 + 400 + 8, 50 + 330}},
        // Bottom below its minimum stops at a client height of 244.
        {DragEdge::Bottom, {100, 50, 748, 60}, {100, 50, 100 + 325 + 8, 50 + 244 + 30}},
        // Top edge: the top moves.
        {DragEdge::Top, {100, 200, 748, 560}, {100, 200, 100 + 440 + 8, 560}},
        // Top corners move the top, and the right edge gives the width.
        {DragEdge::TopLeft, {50, 200, 748, 560}, {50, 200, 50 + 440 + 8, 560}},
        {DragEdge::TopRight, {100, 200, 900, 560}, {100, 200, 100 + 440 + 8, 560}},
        // Bottom corners move the bottom.
        {DragEdge::BottomLeft, {50, 50, 748, 50 + 330}, {50, 50, 50 + 400 + 8, 50 + 330}},
        {DragEdge::BottomRight, {100, 50, 900, 50 + 630}, {100, 50, 100 + 800 + 8, 50 + 630}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SizeFrame(c.edge, c.proposed, borders), c.expected)
            << "edge " << static_cast<int>(c.edge);
    }
}

TEST(DraggedEdge, NamesTheEdgeOrCornerThatMoved) {
    const Rect before{100, 100, 500, 400};
    struct Case {
        Rect after;
        bool moved;
        DragEdge edge;
    };
    const Case cases[] = {
        {{100, 100, 600, 400}, true, DragEdge::Right},
        {{50, 100, 500, 400}, true, DragEdge::Left},
        {{100, 50, 500, 400}, true, DragEdge::Top},
        {{100, 100, 500, 450}, true, DragEdge::Bottom},
        {{50, 50, 500, 400}, true, DragEdge::TopLeft},
        {{100, 50, 600, 400}, true, DragEdge::TopRight},
        {{50, 100, 500, 450}, true, DragEdge::BottomLeft},
        {{100, 100, 600, 450}, true, DragEdge::BottomRight},
        {{150, 150, 550, 450}, false, DragEdge::Left},  // moved, not sized
    };
    for (const Case& c : cases) {
        DragEdge edge = DragEdge::Left;
        EXPECT_EQ(DraggedEdge(before, c.after, edge), c.moved);
        if (c.moved) {
            EXPECT_EQ(edge, c.edge);
        }
    }
}

TEST(FourThreeSizer, CorrectsADragOnceAndTakesItsOwnResizeForWhatItAskedFor) {
    FourThreeSizer sizer;
    const QRect before(100, 100, 648, 510);  // client 640 x 480 inside borders of 8 x 30
    const QRect dragged(100, 100, 808, 510);
    const std::optional<QRect> wanted = sizer.OnResized(before, dragged, {800, 480});
    ASSERT_TRUE(wanted.has_value());
    EXPECT_EQ(*wanted, QRect(100, 100, 808, 600 + 30 + 1));
    // The window system applies it: no second correction.
    EXPECT_FALSE(sizer.OnResized(dragged, *wanted, {800, 601}).has_value());
}

TEST(ParseCommandLine, StoresTheImportFileOfA3dsParameterInAnyCase) {
    struct Case {
        std::vector<std::string> arguments;
        std::string importFile, dataFolder;
    };
    const Case cases[] = {
        {{"3DS=scene.3ds"}, "scene.3ds", ""},
        {{"3ds=level/house.3ds"}, "level/house.3ds", ""},
        {{"3dS=a b.3ds"}, "a b.3ds", ""},
        {{"document.vim"}, "", ""},  // a document opens nothing
        {{"3DS"}, "", ""},
        {{"x3DS=no.3ds"}, "", ""},
        {{"--data", "/tmp/data", "3DS=z.3ds"}, "z.3ds", "/tmp/data"},
        {{"--data"}, "", ""},
    };
    for (const Case& c : cases) {
        const CommandLine line = ParseCommandLine(c.arguments);
        EXPECT_EQ(line.importFile, c.importFile) << c.arguments[0];
        EXPECT_EQ(line.dataFolder, c.dataFolder) << c.arguments[0];
    }
}

TEST(MapKey, GivesTheDemoKeysIncludingTheKeypadWithNumLockOnOrOff) {
    using input::Key;
    const Qt::KeyboardModifiers none, keypad = Qt::KeypadModifier;
    struct Case {
        int qtKey;
        Qt::KeyboardModifiers modifiers;
        Key key;
    };
    const Case cases[] = {
        {Qt::Key_Escape, none, Key::Escape},
        {Qt::Key_F1, none, Key::F1},
        {Qt::Key_F5, none, Key::F5},
        {Qt::Key_F6, none, Key::F6},
        {Qt::Key_F12, none, Key::F12},
        {Qt::Key_W, none, Key::W},
        {Qt::Key_M, Qt::ShiftModifier, Key::M},
        {Qt::Key_Pause, none, Key::Pause},
        {Qt::Key_PageUp, none, Key::PageUp},
        {Qt::Key_PageDown, none, Key::PageDown},
        {Qt::Key_Left, none, Key::Left},
        {Qt::Key_Up, none, Key::Up},
        {Qt::Key_Right, none, Key::Right},
        {Qt::Key_Down, none, Key::Down},
        // Num Lock on: digits; off: Insert and the arrows of the keypad.
        {Qt::Key_8, keypad, Key::Numpad8},
        {Qt::Key_Up, keypad, Key::Numpad8},
        {Qt::Key_2, keypad, Key::Numpad2},
        {Qt::Key_Down, keypad, Key::Numpad2},
        {Qt::Key_4, keypad, Key::Numpad4},
        {Qt::Key_Left, keypad, Key::Numpad4},
        {Qt::Key_6, keypad, Key::Numpad6},
        {Qt::Key_Right, keypad, Key::Numpad6},
        {Qt::Key_0, keypad, Key::Numpad0},
        {Qt::Key_Insert, keypad, Key::Numpad0},
    };
    for (const Case& c : cases) {
        Key key = Key::Count;
        EXPECT_TRUE(MapKey(c.qtKey, c.modifiers, key)) << c.qtKey;
        EXPECT_EQ(key, c.key) << c.qtKey;
    }
    Key key = Key::Count;
    EXPECT_FALSE(MapKey(Qt::Key_A, none, key));
    EXPECT_FALSE(MapKey(Qt::Key_8, none, key));  // the digit row is not the keypad
    EXPECT_FALSE(MapKey(Qt::Key_5, keypad, key));
}

TEST(SurfaceFormatFor, AsksForDoubleBufferedRgbaWithDepthAndAnEightBitStencil) {
    const QSurfaceFormat format = SurfaceFormatFor(gl::PixelFormatRequest{});
    EXPECT_EQ(format.swapBehavior(), QSurfaceFormat::DoubleBuffer);
    EXPECT_GE(format.depthBufferSize(), 16);
    EXPECT_EQ(format.stencilBufferSize(), 8);
    EXPECT_GE(format.redBufferSize(), 5);
    EXPECT_EQ(format.profile(), QSurfaceFormat::CompatibilityProfile);
    gl::PixelFormatRequest none;
    none.stencilBits = 0;
    none.doubleBuffer = false;
    EXPECT_EQ(SurfaceFormatFor(none).stencilBufferSize(), 0);
    EXPECT_EQ(SurfaceFormatFor(none).swapBehavior(), QSurfaceFormat::SingleBuffer);
}

// The patterns of a Qt filter ("Text (p1 p2)"), each matched as the file
// dialog matches it.
bool FilterMatches(const QString& filter, const QString& file) {
    const qsizetype open = filter.lastIndexOf('('), close = filter.lastIndexOf(')');
    const QStringList patterns = filter.mid(open + 1, close - open - 1).split(' ');
    for (const QString& p : patterns) {
        if (QRegularExpression::fromWildcard(p, Qt::CaseSensitive).match(file).hasMatch())
            return true;
    }
    return false;
}

TEST(QtFileFilter, KeepsTheStoredTextAndMatchesExtensionsInAnyCase) {
    const QString media = QtFileFilter("Music Files (*.MP3; *.WAV)|*.MP3; *.WAV||");
    EXPECT_TRUE(media.startsWith("Music Files (*.MP3; *.WAV) ("));
    for (const char* file : {"song.mp3", "SONG.MP3", "Song.Mp3", "chime.wav", "CHIME.WAV"})
        EXPECT_TRUE(FilterMatches(media, file)) << file;
    for (const char* file : {"song.mp", "song.ogg", "vimsa.s3m", "mp3"})
        EXPECT_FALSE(FilterMatches(media, file)) << file;
    const QString modules =
        QtFileFilter("Soundtrack Files (*.S3M; *.MOD; *.IT)|*.S3M; *.MOD; *.IT||");
    EXPECT_TRUE(modules.startsWith("Soundtrack Files (*.S3M; *.MOD; *.IT) ("));
    for (const char* file : {"vimsa.s3m", "TUNE.MOD", "x.it", "x.IT"})
        EXPECT_TRUE(FilterMatches(modules, file)) << file;
    EXPECT_FALSE(FilterMatches(modules, "x.xm"));
}

}  // namespace
}  // namespace vimsa::app
