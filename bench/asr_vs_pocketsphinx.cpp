// velmora-asr against pocketsphinx_continuous on the recordings of pocketsphinx-testdata: the
// words each recognises and the CPU time each process takes (user + system, model loading
// included). Target: velmora-asr uses at most 1.1 times the CPU of pocketsphinx_continuous.
//
//   bench_asr_vs_pocketsphinx [--repeat N] [FILE...]
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const char kTestData[] = "/usr/share/pocketsphinx/test/data";

struct ProcessRun {
    bool ok = false;
    double cpuSeconds = 0;
    std::vector<std::string> lines;
};

double Seconds(const timeval& t) {
    return double(t.tv_sec) + double(t.tv_usec) / 1e6;
}

// Runs a program with its standard output captured and its standard error discarded.
ProcessRun Run(const std::vector<std::string>& argv) {
    ProcessRun run;
    int out[2];
    if (pipe(out) != 0)
        return run;
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDERR_FILENO);
        close(out[0]);
        std::vector<char*> args;
        for (const auto& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    close(out[1]);
    std::string text;
    char buffer[4096];
    for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, std::size_t(n));
    close(out[0]);
    int status = 0;
    rusage usage{};
    if (pid < 0 || wait4(pid, &status, 0, &usage) < 0)
        return run;
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    run.cpuSeconds = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        run.lines.push_back(line);
    return run;
}

std::vector<std::string> Words(const std::string& text) {
    std::vector<std::string> words;
    std::istringstream stream(text);
    for (std::string word; stream >> word;)
        words.push_back(word);
    return words;
}

std::string Joined(const std::vector<std::string>& words) {
    std::string text;
    for (const auto& word : words)
        text += (text.empty() ? "" : " ") + word;
    return text;
}

std::vector<std::string> DefaultFiles() {
    std::vector<std::string> files;
    for (const char* name : {"goforward.raw", "numbers.raw", "something.raw"})
        files.push_back(std::string(kTestData) + "/" + name);
    for (const char* folder : {"cards", "librivox"}) {
        std::vector<std::string> wavs;
        std::error_code error;
        for (fs::directory_iterator it(std::string(kTestData) + "/" + folder, error), end;
             !error && it != end; it.increment(error)) {
            if (it->path().extension() == ".wav")
                wavs.push_back(it->path().string());
        }
        std::sort(wavs.begin(), wavs.end());
        files.insert(files.end(), wavs.begin(), wavs.end());
    }
    return files;
}

} // namespace

int main(int argc, char** argv) {
    int repeat = 1;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--repeat" && i + 1 < argc)
            repeat = std::max(1, std::atoi(argv[++i]));
        else
            files.push_back(argument);
    }
    if (files.empty())
        files = DefaultFiles();

    std::printf("%-48s %5s %9s %9s %6s\n", "file", "same", "psc cpu", "asr cpu", "ratio");
    double totalReference = 0;
    double totalOurs = 0;
    int same = 0;
    int failures = 0;
    for (const auto& file : files) {
        double reference = 0;
        double ours = 0;
        std::vector<std::string> referenceWords;
        std::vector<std::string> ourWords;
        bool ok = true;
        for (int round = 0; round < repeat; ++round) {
            const auto psc = Run({"pocketsphinx_continuous", "-infile", file});
            const auto asr = Run({VELMORA_ASR_PATH, "--language", "english", file});
            ok = ok && psc.ok && asr.ok && !asr.lines.empty();
            reference += psc.cpuSeconds;
            ours += asr.cpuSeconds;
            std::string pscText;
            for (const auto& line : psc.lines)
                pscText += line + " ";
            referenceWords = Words(pscText);
            ourWords = Words(asr.lines.empty() ? "" : asr.lines.back());
        }
        const bool match = ok && referenceWords == ourWords;
        same += match ? 1 : 0;
        failures += ok ? 0 : 1;
        totalReference += reference;
        totalOurs += ours;
        std::printf("%-48s %5s %9.3f %9.3f %6.3f\n", fs::path(file).filename().c_str(),
                    ok ? (match ? "yes" : "NO") : "FAIL", reference / repeat, ours / repeat,
                    reference > 0 ? ours / reference : 0.0);
        if (!match) {
            std::printf("    pocketsphinx_continuous: %s\n", Joined(referenceWords).c_str());
            std::printf("    velmora-asr:             %s\n", Joined(ourWords).c_str());
        }
    }
    std::printf("\nsame words: %d of %zu files; runs failed: %d\n", same, files.size(), failures);
    std::printf("CPU seconds per round: pocketsphinx_continuous %.3f, velmora-asr %.3f\n",
                totalReference / repeat, totalOurs / repeat);
    std::printf("CPU time ratio velmora-asr / pocketsphinx_continuous: %.3f (target <= 1.1)\n",
                totalReference > 0 ? totalOurs / totalReference : 0.0);
    return failures == 0 ? 0 : 1;
}
