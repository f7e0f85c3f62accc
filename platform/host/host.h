#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// What the demonstration needs of the program it runs in: the set-up
// dialog, message boxes, moving and sizing the main window, asking the
// program to close, and the millisecond clock. The Qt shell, the headless
// timedemo and the tests each implement it.
namespace vimsa::host {

// The choices of the set-up dialog, with the values it opens with.
struct SetupChoices {
    std::string character = "Kelmardo";   // "Kelmardo" or "Vona", or whatever was typed
    int renderer = 0;                     // 0 "DirectX", 1 "OpenGL"
    int fullScreen = 0;                   // the "Fullscreen" check box
    std::string resolution = "1024*768";  // "640*480", "800*600", "1024*768" or typed text
    int objects = 0;                      // 0 "High Poly", 1 "Low Poly"
};

class Host {
public:
    virtual ~Host() = default;

    // Runs the set-up dialog; false when the user did not start ("Quit" or
    // closed). `choices` holds the dialog's values on return.
    virtual bool RunSetupDialog(SetupChoices& choices) = 0;
    // A modal message box without owner: the text, the caption, an error
    // icon and an OK button.
    virtual void ShowError(std::string_view text, std::string_view caption) = 0;
    // Moves and sizes the main window (outer size) and repaints it.
    virtual void MoveMainWindow(int x, int y, int width, int height) = 0;
    // Makes the main window cover the screen at the given size, or gives
    // the screen back.
    virtual void SetFullScreen(bool on, int width, int height) = 0;
    // Asks the program to close once the current frame is done.
    virtual void PostCloseRequest() = 0;
    // Milliseconds from an arbitrary start; wraps after 49 days.
    virtual uint32_t Milliseconds() = 0;
};

// The host the demo talks to (not counted: the program owns it). Without
// one, the demo runs with no dialog (the defaults), no message boxes and a
// steady clock.
Host* CurrentHost();
void SetCurrentHost(Host* host);

// Milliseconds of a steady clock, for hosts that have no clock of their own.
uint32_t SteadyMilliseconds();

}  // namespace vimsa::host
