#include "play/PlayOptions.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string_view>
#include <vector>

namespace rollscribe {

std::int64_t ParsePlayTime(const std::string& text) {
    auto invalid = [&] {
        return PlayUsageError("invalid time '" + text +
                              "' (expected SECONDS, MINUTES:SECONDS or HOURS:MINUTES:SECONDS)");
    };
    std::vector<std::string_view> parts;
    std::string_view rest = text;
    for (std::size_t colon; (colon = rest.find(':')) != std::string_view::npos;) {
        parts.push_back(rest.substr(0, colon));
        rest.remove_prefix(colon + 1);
    }
    parts.push_back(rest);
    if (parts.size() > 3) throw invalid();
    double total = 0;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const std::string_view part = parts[i];
        const bool last = i + 1 == parts.size();
        double value = 0;
        auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), value,
                                            std::chars_format::fixed);
        if (part.empty() || error != std::errc() || end != part.data() + part.size() ||
            part.front() == '-' || part.front() == '+' || !(value >= 0))
            throw invalid();
        if (!last && value != std::floor(value)) throw invalid();  // only seconds have a fraction
        if (i > 0 && value >= 60) throw invalid();
        total = total * 60 + value;
    }
    if (total > 1e9) throw invalid();
    return static_cast<std::int64_t>(std::llround(total * 1e6));
}

std::string FormatPlayTime(std::int64_t microseconds) {
    const std::int64_t seconds = std::max<std::int64_t>(0, microseconds) / 1000000;
    char text[32];
    if (seconds >= 3600)
        std::snprintf(
            text, sizeof text, "%lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
            static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
    else
        std::snprintf(text, sizeof text, "%lld:%02lld", static_cast<long long>(seconds / 60),
                      static_cast<long long>(seconds % 60));
    return text;
}

PlayOptions ParsePlayOptions(const std::vector<std::string>& args) {
    PlayOptions options;
    std::string from;
    std::vector<std::string> files;
    CLI::App app{"", "rollscribe-play"};
    app.set_help_flag();
    app.allow_extras(true);
    app.add_flag("-h,--help", options.help);
    app.add_flag("-V,--version", options.version);
    app.add_flag("-l,--list-ports", options.listPorts);
    app.add_flag("--expression", options.expression);
    app.add_option("--profile", options.profile)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    app.add_option("-p,--port", options.port)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    app.add_option("--from", from)->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    app.add_option("file", files);

    std::vector<std::string> reversed(args.rbegin(), args.rend());  // CLI11 takes them reversed
    try {
        app.parse(reversed);
    } catch (const CLI::ArgumentMismatch& e) {
        // CLI11's message begins with the long name of the option that lacks its value.
        std::string_view what = e.what();
        if (what.starts_with("--profile"))
            throw PlayUsageError("option '--profile' needs a name or a file");
        if (what.starts_with("--from")) throw PlayUsageError("option '--from' needs a time");
        throw PlayUsageError("option '--port' needs a port name");
    } catch (const CLI::ParseError& e) {
        throw PlayUsageError(e.what());
    }
    for (const std::string& extra : app.remaining())
        if (extra != "--") throw PlayUsageError("unknown option '" + extra + "'");
    if (app.count("--from")) options.fromMicroseconds = ParsePlayTime(from);
    if (app.count("--port") && options.port.empty())
        throw PlayUsageError("option '--port' needs a port name");
    if (app.count("--profile")) {
        if (options.profile.empty())
            throw PlayUsageError("option '--profile' needs a name or a file");
        if (!options.expression) throw PlayUsageError("option '--profile' needs '--expression'");
    }
    if (options.help || options.version || options.listPorts) return options;
    if (files.empty()) throw PlayUsageError("no file given");
    if (files.size() > 1)
        throw PlayUsageError("one file at a time, not " + std::to_string(files.size()));
    options.file = files.front();
    return options;
}

std::string PlayUsageText() {
    return "Usage: rollscribe-play [options] FILE\n"
           "       rollscribe-play --list-ports\n"
           "\n"
           "Plays a roll live to a MIDI port: a player piano's or a synthesizer's MIDI input\n"
           "on the ALSA sequencer, or a JACK MIDI input. FILE is a roll scan (extension bar\n"
           "or web, with its annotation file TITLE.ann beside it), converted in memory as\n"
           "rollscribe-convert converts it: nothing is written. Any other FILE is played as\n"
           "a Standard MIDI File.\n"
           "\n"
           "Options:\n"
           "  -p, --port NAME       the port to play to: its name as --list-ports shows it,\n"
           "                        or a part of it that only one port's name contains (case\n"
           "                        ignored); default: the only port there is\n"
           "  -l, --list-ports      print the ports (name, then ALSA or JACK) and exit\n"
           "      --expression      play the roll's expression file instead of its MIDI file:\n"
           "                        the roll as its piano plays it (pedals, note velocities,\n"
           "                        the spool's tempo map); for a roll scan only\n"
           "      --profile NAME|FILE\n"
           "                        the roll system for --expression: 88-note, welte-red,\n"
           "                        welte-green, welte-licensee, duo-art, ampico-a, ampico-b,\n"
           "                        or a profile file; default: chosen from the roll's type\n"
           "      --from TIME       start at TIME: SECONDS, MINUTES:SECONDS or\n"
           "                        HOURS:MINUTES:SECONDS (the pedals and controllers set\n"
           "                        before it are sent first)\n"
           "  -h, --help            print this help and exit\n"
           "  -V, --version         print the version and exit\n"
           "\n"
           "On a terminal, standard error shows one progress line (time played of the\n"
           "total); elsewhere nothing is printed while the roll plays.\n"
           "\n"
           "Whenever the play ends (its end, Ctrl+C, SIGTERM, SIGHUP, a port that goes away,\n"
           "an error) every note still sounding is released and the pedals are lifted (a\n"
           "note-off for each, CC64 and CC67 to 0, then All Notes Off on every channel used)\n"
           "before the port is let go.\n"
           "\n"
           "The JACK server asked is the one JACK_DEFAULT_SERVER names, else the default;\n"
           "none is ever started.\n"
           "\n"
           "Exit status: 0 when the file was played to its end (or the ports were listed),\n"
           "1 when the file cannot be read or converted, the port is unknown or cannot be\n"
           "opened, or it went away during the play, 2 when the command line is wrong, and\n"
           "128 + N when ended by signal N (130 for Ctrl+C, 129 SIGHUP, 143 SIGTERM), after\n"
           "everything sounding was released.\n";
}

}  // namespace rollscribe
