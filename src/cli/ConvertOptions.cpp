#include "cli/ConvertOptions.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <charconv>
#include <string_view>

namespace rollscribe {

namespace {

unsigned ParseJobs(const std::string& text) {
    unsigned value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 1 ||
        value > 1024)
        throw UsageError("invalid number of jobs '" + text + "' (expected 1 to 1024)");
    return value;
}

// The picture format named in any letter case.
PictureFormat ParsePictureFormat(const std::string& text) {
    std::optional<PictureFormat> format = PictureFormatNamed(text);
    if (!format)
        throw UsageError("invalid picture format '" + text +
                         "' (expected png, svg, pdf, pdf-a4 or pdf-letter)");
    return *format;
}

// A picture density: a number from 0.01 to 4000 (pixels an inch of roll). Below 0.01 a roll
// of any length is a few pixels wide, and nothing on its scale would make sense.
double ParseDensity(const std::string& text) {
    double value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() ||
        !(value >= 0.01 && value <= 4000))
        throw UsageError("invalid picture density '" + text + "' (expected 0.01 to 4000)");
    return value;
}

// The sound format named in any letter case.
SoundFormat ParseSoundFormat(const std::string& text) {
    std::optional<SoundFormat> format = SoundFormatNamed(text);
    if (!format)
        throw UsageError("invalid sound format '" + text + "' (expected wav, flac or ogg)");
    return *format;
}

// Takes --audio and --audio=FORMAT out of the arguments (up to "--"): its format may only be
// joined to it, so that "--audio ROLL" keeps ROLL a file. The last one given counts.
std::vector<std::string> TakeAudioOption(const std::vector<std::string>& args,
                                         ConvertOptions& options) {
    std::vector<std::string> rest;
    bool ended = false;
    for (const std::string& arg : args) {
        ended = ended || arg == "--";
        if (!ended && arg == "--audio") {
            options.audio = true;
            options.audioFormat = SoundFormat::wav;
        } else if (!ended && arg.starts_with("--audio=")) {
            options.audio = true;
            options.audioFormat = ParseSoundFormat(arg.substr(8));
        } else {
            rest.push_back(arg);
        }
    }
    return rest;
}

// How the user spelled the jobs option last, for a message about it.
std::string JobsSpelling(const std::vector<std::string>& args) {
    for (auto it = args.rbegin(); it != args.rend(); ++it) {
        if (*it == "--jobs" || it->rfind("--jobs=", 0) == 0) return "--jobs";
        if (it->size() > 1 && (*it)[0] == '-' && (*it)[1] != '-' && it->back() == 'j') return "-j";
    }
    return "--jobs";
}

}  // namespace

ConvertOptions ParseConvertOptions(const std::vector<std::string>& allArgs) {
    ConvertOptions options;
    const std::vector<std::string> args = TakeAudioOption(allArgs, options);
    std::string jobs;
    std::string picture;
    std::string density;
    // The options in one table, so that an option added later (another kind of output) is one
    // more line here and one more field of ConvertOptions.
    CLI::App app{"", "rollscribe-convert"};
    app.set_help_flag();
    app.allow_extras(true);
    app.add_flag("-q,--quiet", options.quiet);
    app.add_flag("-r,--recursive", options.recursive);
    app.add_flag("--json", options.json);
    app.add_flag("--sync", options.sync);
    app.add_flag("--strict", options.strict);
    app.add_flag("-h,--help", options.help);
    app.add_flag("-V,--version", options.version);
    app.add_option("-j,--jobs", jobs)->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    app.add_option("--picture", picture)->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    app.add_option("--pixels-per-inch", density)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    app.add_option("--soundfont", options.soundFont)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    app.add_option("-o,--output-dir", options.outputDir)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    app.add_flag("--expression", options.expression);
    app.add_option("--profile", options.profile)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    app.add_option("files", options.files);

    std::vector<std::string> reversed(args.rbegin(), args.rend());  // CLI11 takes them reversed
    try {
        app.parse(reversed);
    } catch (const CLI::ArgumentMismatch& e) {
        // CLI11's message begins with the long name of the option that lacks its value.
        std::string_view what = e.what();
        if (what.starts_with("--picture"))
            throw UsageError(
                "option '--picture' needs a format (png, svg, pdf, pdf-a4 or pdf-letter)");
        if (what.starts_with("--soundfont")) throw UsageError("option '--soundfont' needs a file");
        if (what.starts_with("--profile"))
            throw UsageError("option '--profile' needs a name or a file");
        if (what.starts_with("--output-dir"))
            throw UsageError("option '--output-dir' needs a folder");
        if (what.starts_with("--pixels-per-inch"))
            throw UsageError("option '--pixels-per-inch' needs a number");
        throw UsageError("option '" + JobsSpelling(args) + "' needs a number");
    } catch (const CLI::ParseError& e) {
        throw UsageError(e.what());
    }
    for (const std::string& extra : app.remaining()) {
        if (extra != "--") throw UsageError("unknown option '" + extra + "'");
    }
    if (!jobs.empty() || app.count("--jobs")) options.jobs = ParseJobs(jobs);
    if (app.count("--picture")) options.picture = ParsePictureFormat(picture);
    if (app.count("--pixels-per-inch")) {
        options.pixelsPerInch = ParseDensity(density);
        if (!options.picture) throw UsageError("option '--pixels-per-inch' needs '--picture'");
    }
    if (app.count("--soundfont")) {
        if (options.soundFont.empty()) throw UsageError("option '--soundfont' needs a file");
        if (!options.audio) throw UsageError("option '--soundfont' needs '--audio'");
    }
    if (app.count("--profile")) {
        if (options.profile.empty()) throw UsageError("option '--profile' needs a name or a file");
        if (!options.expression) throw UsageError("option '--profile' needs '--expression'");
    }
    if (app.count("--output-dir") && options.outputDir.empty())
        throw UsageError("option '--output-dir' needs a folder");
    if (options.files.empty() && !options.help && !options.version)
        throw UsageError("no roll file given");
    return options;
}

std::string ConvertUsageText() {
    return "Usage: rollscribe-convert [options] FILE...\n"
           "       rollscribe-convert [options] -r FOLDER...\n"
           "\n"
           "Converts scanned player-piano rolls into Standard MIDI Files. Each FILE is a roll\n"
           "scan (extension bar or web). Its annotation file TITLE.ann is read from the same\n"
           "folder, and the MIDI file TITLE_BAR_e.mid is written beside it (or in the folder\n"
           "given with -o), TITLE being the roll's file name up to its first dot, as it is,\n"
           "and .ann in lower case. The roll and annotation files are only read. For each\n"
           "file the conversion report is printed.\n"
           "\n"
           "Options:\n"
           "  -q, --quiet           do not print the reports (nor the summary of several\n"
           "                        files); --json lines are printed all the same\n"
           "  -j, --jobs N          convert N files at a time (default: one per processor);\n"
           "                        the results and their order are the same for every N\n"
           "  -r, --recursive       convert every file under each FOLDER whose extension is\n"
           "                        bar or web in any letter case, in sorted path order;\n"
           "                        symbolic links to folders are not followed\n"
           "  -o, --output-dir DIR  write every output in DIR instead of beside the roll;\n"
           "                        with -r, the folders below each FOLDER are made again\n"
           "                        below DIR\n"
           "      --picture FORMAT  also write the roll's picture, TITLE_BAR_e.FORMAT, beside\n"
           "                        its MIDI file: FORMAT is png, svg or pdf, or pdf-a4 or\n"
           "                        pdf-letter for PDF pages to print\n"
           "      --pixels-per-inch N\n"
           "                        the picture's density: N pixels (PDF: points) for an\n"
           "                        inch of roll, from 0.01 to 4000 (default 40); a roll\n"
           "                        too long for its density is drawn narrower\n"
           "      --audio[=FORMAT]  also write the roll's sound, TITLE_BAR_e.FORMAT: the MIDI\n"
           "                        file played through a General MIDI sound font at\n"
           "                        44.1 kHz, 16-bit stereo; FORMAT (only after '='): wav\n"
           "                        (the default), flac (lossless, a fifth to a half of\n"
           "                        the size) or ogg (Ogg Vorbis, lossy, smaller still)\n"
           "      --soundfont FILE  the sound font for --audio (SoundFont 2 or DLS; default:\n"
           "                        /usr/share/sounds/sf2/default-GM.sf2)\n"
           "      --expression      also write the expression file, TITLE_BAR_e_expression.mid:\n"
           "                        the roll as its piano plays it (pedals, note velocities\n"
           "                        from its dynamics holes, the spool's tempo map); with\n"
           "                        --audio the sound file is rendered from it, and with\n"
           "                        --picture the picture shows the pedals and levels\n"
           "      --profile NAME|FILE\n"
           "                        the roll system for --expression: 88-note, welte-red,\n"
           "                        welte-green, welte-licensee, duo-art, ampico-a, ampico-b,\n"
           "                        welte-red-linear (red Welte, the linear model of other\n"
           "                        converters),\n"
           "                        or a profile file (a path with '/' or ending in .json);\n"
           "                        default: chosen from each roll's type\n"
           "      --json            print one JSON object per roll and line instead of the\n"
           "                        reports\n"
           "      --sync            flush each file written and its folder to the disk, so\n"
           "                        that it survives a power cut once reported (slower)\n"
           "      --strict          count a roll with a warning as failed (exit status 1);\n"
           "                        its outputs are written and reported all the same\n"
           "  -h, --help            print this help and exit\n"
           "  -V, --version         print the version and exit\n"
           "\n"
           "Rolls that would write the same MIDI file (a.bar and a.web, a.op9.bar and\n"
           "a.op48.bar, one roll named twice or through a link, with -o two rolls of one\n"
           "name from different folders): the first named is converted, each later one is\n"
           "refused.\n"
           "\n"
           "A roll without its annotation file is converted at the default tempo, with a\n"
           "warning that names a file beside it that may have been meant (ROLL.ANN or\n"
           "waltz.op1.ann, where ROLL.ann or waltz.ann is read).\n"
           "\n"
           "The picture and the sound file are written only for a roll whose MIDI file was\n"
           "written. When one of them cannot be written (a full disk, too little memory), the\n"
           "MIDI file stays written, the roll counts as failed, and a message says why. A\n"
           "sound font that is missing or cannot be loaded stops the run before any roll is\n"
           "converted, with one message and exit status 1.\n"
           "\n"
           "The expression file is written only for a roll whose MIDI file was written, and\n"
           "the MIDI file is the same with and without --expression. A --profile that cannot\n"
           "be found or read stops the run before any roll is converted; a profile that is\n"
           "read but wrong (the message names its file and field), or an expression file\n"
           "that cannot be written, fails the roll: its MIDI file stays written, its\n"
           "expression file and sound file are not.\n"
           "\n"
           "--json writes these keys: input, midi, picture, audio and expression (with\n"
           "--picture, --audio and --expression: the file written, or null), profile\n"
           "(with --expression: the name of the profile used, or null), status (written,\n"
           "rejected or failed), reason (null when written), warnings (a list of\n"
           "\"FILE: text\", as on standard error), title, composer, performer, roll_number,\n"
           "roll_type, manufacturer, tempo, steps_per_inch, annotations ([key, value]\n"
           "pairs), events, notes and seconds. Texts are the roll's bytes: valid UTF-8 as\n"
           "it is, and each other byte B as the escape \\uDCXX (0xDC00 + B), as Python's\n"
           "\"surrogateescape\" does: json.loads(line)[key].encode('utf-8',\n"
           "'surrogateescape') gives the bytes.\n"
           "\n"
           "On a terminal, control characters in the reports and messages are shown as\n"
           "escapes (\\r, \\e, \\x7F, ...); into a pipe or a file they are written as they are.\n"
           "\n"
           "Exit status: 0 when every MIDI file (and picture, sound and expression file\n"
           "asked for) was written, 1 when any file was rejected (not a bar or web file, or\n"
           "its MIDI file already written by an earlier roll of the run) or could not be\n"
           "converted, or an output could not be written, 2 when the command line is wrong.\n"
           "On SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGQUIT or any other signal whose default\n"
           "action ends a program the converter removes the temporary files it is writing\n"
           "and ends by that signal; a signal ignored at its start (nohup) stays ignored.\n"
           "SIGXFSZ is ignored: past a file-size limit that output fails\n"
           "(\"File too large\").\n";
}

}  // namespace rollscribe
