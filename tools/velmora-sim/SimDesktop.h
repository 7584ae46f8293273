#pragma once

#include <optional>
#include <set>
#include <string>
#include <vector>

// The desktop around the program in the simulator world: one 1920x1080 screen with a pointer
// and a picture,
// a text caret only when a test places one, a focus window, the clipboard, and the capture
// sources of the sound system with the default one, the file index of the desktop's file
// search, whether the computer is online, and the mounted volumes.
struct SimDesktop {
    struct Point {
        int x = 0;
        int y = 0;
    };
    struct AudioSource {
        std::string id;
        std::string name;
    };
    struct Volume {
        std::string mount; // absolute
        bool removable = true;
        std::string label;
    };

    static constexpr int kWidth = 1920;
    static constexpr int kHeight = 1080;

    Point cursor{kWidth / 2, kHeight / 2};
    // The picture a screen grab returns (an absolute path); empty: a grey screen of kWidth x
    // kHeight.
    std::string screenImage;
    std::optional<Point> caret;
    bool hasFocusWindow = true;
    std::string clipboard;
    std::vector<AudioSource> sources{{"sim.builtin", "Built-in Microphone"},
                                     {"sim.dravel", "Dravel Microphone"},
                                     {"sim.lunrik", "Lunrik Microphone"}};
    size_t defaultSource = 0;
    std::set<std::string> indexedFiles; // sorted by path, each once
    bool online = true;
    std::vector<Volume> volumes; // in the order they were added

    const AudioSource* FindSource(const std::string& id) const {
        for (const AudioSource& s : sources) {
            if (s.id == id)
                return &s;
        }
        return nullptr;
    }
};
