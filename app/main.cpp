// vimsa: the demonstration in its desktop window.
#include <QApplication>
#include <cstdio>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/main_app.h"
#include "platform/files/file_system.h"

int main(int argc, char** argv) {
    // Qt takes its own options (-platform, -display...) out of the list.
    QApplication qt(argc, argv);
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const vimsa::app::CommandLine line = vimsa::app::ParseCommandLine(arguments);
    // Every data path is relative to the data folder.
    if (!line.dataFolder.empty() && !vimsa::files::ChangeDirectory(line.dataFolder)) {
        std::fprintf(stderr, "vimsa: no data folder %s\n", line.dataFolder.c_str());
        return 1;
    }
    vimsa::app::CMainApp app;
    if (!app.InitInstance(arguments)) return 1;
    app.StartPump();
    const int code = QApplication::exec();
    app.ExitInstance();
    return code;
}
