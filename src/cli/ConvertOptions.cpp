#include "cli/ConvertOptions.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cmath>

namespace rollscribe {

namespace {

// An option's value that may not be empty: says what it needs instead.
CLI::Validator NotEmpty(const std::string& what) {
    return CLI::Validator(
        [what](std::string& text) { return text.empty() ? "needs " + what : std::string(); }, "");
}

// CLI::Range for the picture's density, said with its bounds as the help gives them (CLI11
// shows six decimals) and refusing NaN too, which CLI11's comparisons let through.
CLI::Validator DensityRange() {
    const CLI::Range range(kMinPixelsPerInch, kMaxPixelsPerInch);
    return CLI::Validator(
        [range](std::string& text) {
            std::string checked = text;
            double value = 0;
            if (range(checked).empty() && CLI::detail::lexical_cast(text, value) &&
                !std::isnan(value))
                return std::string();
            return "Value " + text + " not in range 0.01 to 4000";
        },
        "");
}

// A name in any letter case, given as its member of names.
CLI::IsMember OneOf(const std::vector<std::string>& names) {
    return CLI::IsMember(names, CLI::ignore_case);
}

}  // namespace

ConvertOptions ParseConvertOptions(const std::vector<std::string>& args) {
    ConvertOptions options;
    std::string picture;
    std::string audio;
    const auto last = CLI::MultiOptionPolicy::TakeLast;
    // The options in one table, so that an option added later (another kind of output) is one
    // more line here and one more field of ConvertOptions. Given more than once, the last
    // counts. Each value's check is CLI11's, and so is its message.
    CLI::App app{"", "rollscribe-convert"};
    app.set_help_flag();
    app.add_flag("-q,--quiet", options.quiet);
    app.add_flag("-r,--recursive", options.recursive);
    app.add_flag("--json", options.json);
    app.add_flag("--sync", options.sync);
    app.add_flag("--strict", options.strict);
    app.add_flag("-h,--help", options.help);
    app.add_flag("-V,--version", options.version);
    app.add_option("-j,--jobs", options.jobs)
        ->check(CLI::Range(1u, kMaxJobs).description(""))
        ->type_name("N")
        ->multi_option_policy(last);
    CLI::Option* pictureOption =
        app.add_option("--picture", picture)
            ->transform(OneOf({"png", "svg", "pdf", "pdf-a4", "pdf-letter"}).description(""))
            ->type_name("FORMAT")
            ->multi_option_policy(last);
    app.add_option("--pixels-per-inch", options.pixelsPerInch)
        ->check(DensityRange())
        ->type_name("N")
        ->needs(pictureOption)
        ->multi_option_policy(last);
    // A flag whose format may only be joined to it ("--audio=flac"), so that "--audio ROLL"
    // keeps ROLL a file.
    CLI::Option* audioOption = app.add_flag("--audio{wav}", audio)
                                   ->transform(OneOf({"wav", "flac", "ogg"}).description(""))
                                   ->multi_option_policy(last);
    app.add_option("--soundfont", options.soundFont)
        ->check(NotEmpty("a file"))
        ->type_name("FILE")
        ->needs(audioOption)
        ->multi_option_policy(last);
    app.add_option("-o,--output-dir", options.outputDir)
        ->check(NotEmpty("a folder"))
        ->type_name("DIR")
        ->multi_option_policy(last);
    CLI::Option* expressionOption = app.add_flag("--expression", options.expression);
    app.add_option("--profile", options.profile)
        ->check(NotEmpty("a name or a file"))
        ->type_name("NAME|FILE")
        ->needs(expressionOption)
        ->multi_option_policy(last);
    app.add_option("files", options.files);

    // CLI11 takes "--audio=" as "--audio" (WAV): an empty format is refused as a missing one.
    const auto ended = std::find(args.begin(), args.end(), "--");
    if (std::find(args.begin(), ended, "--audio=") != ended)
        throw UsageError("--audio: needs a format after '=' (wav, flac or ogg)");
    std::vector<std::string> reversed(args.rbegin(), args.rend());  // CLI11 takes them reversed
    try {
        app.parse(reversed);
    } catch (const CLI::ParseError& e) {
        throw UsageError(e.what());
    }
    if (!picture.empty()) options.picture = PictureFormatNamed(picture);
    if (audioOption->count()) {
        options.audio = true;
        options.audioFormat = SoundFormatNamed(audio).value_or(SoundFormat::wav);
    }
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
           "  -j, --jobs N          convert N files at a time, 1 to 1024 (default: one per\n"
           "                        processor); the results and their order are the same\n"
           "                        for every N\n"
           "  -r, --recursive       convert every file under each FOLDER whose extension is\n"
           "                        bar or web in any letter case, in sorted path order;\n"
           "                        symbolic links to folders are not followed\n"
           "  -o, --output-dir DIR  write every output in DIR instead of beside the roll;\n"
           "                        with -r, the folders below each FOLDER are made again\n"
           "                        below DIR\n"
           "      --picture FORMAT  also write the roll's picture, TITLE_BAR_e.FORMAT, beside\n"
           "                        its MIDI file: FORMAT is png, svg, pdf, pdf-a4 or\n"
           "                        pdf-letter (the last two: PDF pages to print)\n"
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
