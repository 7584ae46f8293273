#include "SimCommands.h"
#include "SimWorld.h"

#include <iostream>

namespace {
const char* kUsage =
    "usage: velmora-sim [--socket PATH] COMMAND ...\n"
    "  serve                          run the world (socket: --socket or $VELMORA_SIMULATOR)\n"
    "  plug KIND [--vid HEX --pid HEX --serial TEXT --model HEX --dpi N --hid-later]\n"
    "  unplug KIND                    KIND: mouse mouse5698 btmouse pen recorder\n"
    "  hidraw KIND                    the HID node of a device plugged --hid-later appears\n"
    "  report KIND HEX                one input report, up to 32 bytes, zero padded\n"
    "  key KIND NAME down|up          NAME: voice1 voice2 voice3 record laser laser2\n"
    "                                 magnifier up down\n"
    "  events [--since N] [--follow]  the event stream, one JSON object per line\n"
    "  wait KIND [--where FIELD=VALUE]... [--since SEQ] [--timeout SECONDS]\n"
    "                                 the first matching event after now, or after SEQ\n"
    "  mic FILE                       queue audio for the microphone: raw 16 kHz mono\n"
    "                                 s16le, or a WAV of that format\n"
    "  caret X Y | caret none         place or remove the text caret\n"
    "  cursor X Y                     move the pointer\n"
    "  screen-image FILE|--default    the picture a screen grab returns (default: grey)\n"
    "  focus none|window              take away or give back the keyboard focus window\n"
    "  grab WINDOW FILE               write the program's window (MainWnd, ...) as a PNG\n"
    "  highlight TEXT                 the user highlights TEXT on the desktop (PRIMARY)\n"
    "  index PATH... | index --clear  the files the desktop's file index knows\n"
    "  network online|offline         the computer gains or loses its network\n"
    "  volume add DIR [--fixed] [--label TEXT] | volume remove DIR\n"
    "                                 mount or remove a (removable) volume holding DIR\n"
    "  stop                           end the world\n";
}

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    const std::string socketPath = TakeSocketOption(args);
    if (args.empty() || args[0] == "--help" || args[0] == "help") {
        std::cerr << kUsage;
        return args.empty() ? 2 : 0;
    }
    if (args[0] != "serve")
        return RunSimCommand(socketPath, args);
    SimWorld world;
    std::string error;
    if (!world.Listen(socketPath, error)) {
        std::cerr << "velmora-sim: " << error << "\n";
        return 2;
    }
    world.Run();
    return 0;
}
