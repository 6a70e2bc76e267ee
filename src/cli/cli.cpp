#include "cli/cli.h"

#include "cli/commands.h"
#include "geometry/number_text.h"

#include <CLI/CLI.hpp>

#include <memory>
#include <ostream>

namespace tesk::cli {

namespace {

void AddAlignmentOptions(CLI::App& command, AlignmentFiles& files) {
    auto* jd = command.add_option("--jd", files.Jd, "JD file (intersection-point method)");
    auto* breaks =
        command.add_option("--breaks", files.Breaks, "chain-break file for --jd")->needs(jd);
    auto* elem = command.add_option("--elem", files.Elem, "element file (element method)");
    elem->excludes(jd)->excludes(breaks);
    auto* landxml = command.add_option(
        "--landxml", files.LandXml,
        "LandXML 1.2 file: its alignment with its station equations and profile");
    landxml->excludes(jd)->excludes(breaks)->excludes(elem);
    command
        .add_option("--alignment", files.AlignmentName,
                    "the alignment of --landxml to use, by name (default: the first)")
        ->needs(landxml);
    auto* profile = command.add_option(
        "--profile", files.Profile,
        "profile file (.sqx: station, elevation, vertical-curve radius): adds the design "
        "elevation h");
    command
        .add_option("--crossfall", files.CrossFall,
                    "cross-fall file (.hp: station, left %, right %) for points off the line")
        ->needs(profile);
    command.callback([&command, jd, elem, landxml] {
        if (jd->count() == 0 && elem->count() == 0 && landxml->count() == 0) {
            throw CLI::RequiredError(command.get_name() + ": --jd, --elem or --landxml");
        }
    });
}

void AddDigits(CLI::App& command, int& digits) {
    command.add_option("--digits", digits, "decimals of the numbers written")
        ->check(CLI::Range(0, 12));
}

/// The texts of the field options, as typed; one set serves the one subcommand parsed.
struct FieldTexts {
    std::vector<std::string> Exports;
    std::string Setup;
    std::string Backsight;
};

void AddFieldOptions(CLI::App& command, FieldTexts& texts, bool& force) {
    command.add_option(
        "--export", texts.Exports,
        "also write the points as a point file FORMAT:FILE (repeatable): cass (.dat: "
        "name,code,Y,X,H, east first, GBK), csv (name,N,E,Z,code, UTF-8), gsi (Leica GSI-16: "
        "81 east, 82 north, 83 height), sdr (Sokkia SDR33). Names: piles PIER-ENTRY (3-2), stakes "
        "their station (K15+120), side stakes with side and offset (K15+120L12.5). gsi and sdr "
        "take IDs of at most 16 ASCII characters: other characters become _, a longer name keeps "
        "its last 16, an ID met before gets ~2, ~3, ...; gsi writes an ID that starts with 0 and is "
        "not a number with a P in front (P0-1). Two points of one name are refused. "
        "Without a profile H is empty (sdr: 0)");
    auto* setup = command.add_option(
        "--setup", texts.Setup,
        "polar stake-out: instrument station X,Y (north, east); adds the columns azimuth_dms "
        "(from the station), angle_dms (clockwise from the backsight) and distance");
    auto* backsight =
        command.add_option("--backsight", texts.Backsight, "polar stake-out: backsight X,Y");
    setup->needs(backsight);
    backsight->needs(setup);
    if (command.get_option_no_throw("--force") == nullptr) {
        command.add_flag("--force", force, "replace output files that exist");
    }
}

} // namespace

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CLI::App app{"Tesk 平面放样计算 (setting-out calculator), command-line tool", "tesk-cli"};
    app.require_subcommand(1);
    bool verbose = false;
    app.fallthrough(); // --verbose also after the subcommand
    app.add_flag("--verbose", verbose,
                 "after an error's Chinese message and detail, also print the program's English "
                 "technical text (line starting with \"detail: \")");
    app.set_version_flag("--version", std::string("tesk-cli ") + TESK_VERSION);
    app.footer("Outputs: an existing file is replaced only with --force (its permissions are kept, "
               "a link is written through). Messages and CSV text fields show control characters "
               "as \\xNN (\\u00NN for U+0080..U+009F); CSV text a spreadsheet would compute "
               "(=, +, -, @) is quoted after an apostrophe: \"'=A1\".");

    AlignmentFiles files;
    FieldTexts fieldTexts;
    bool force = false;
    TableOptions table;
    int curveDigits = 4;
    PointOptions point;

    auto* tableCommand =
        app.add_subcommand("table", "coordinates and tangent azimuth of stations, as CSV");
    AddAlignmentOptions(*tableCommand, files);
    tableCommand->add_option("--station", table.Stations, "a station text (repeatable)");
    tableCommand->add_option("--from", table.From, "first station text of a stake range");
    tableCommand->add_option("--to", table.To, "last station text of a stake range");
    tableCommand->add_option("--step", table.Step, "stake interval, m (default 20)");
    AddDigits(*tableCommand, table.Digits);
    tableCommand
        ->add_option("--offsets", table.Offsets,
                     "side stakes: offsets across the line, m, left positive, e.g. -12.5,0,12.5")
        ->delimiter(',');
    tableCommand->add_option("--angle", table.Angle,
                             "right deflection angle of the side stakes, degrees (default 90)");
    AddFieldOptions(*tableCommand, fieldTexts, force);

    auto* curvesCommand = app.add_subcommand("curves", "one row per curve or element, as CSV");
    AddAlignmentOptions(*curvesCommand, files);
    AddDigits(*curvesCommand, curveDigits);

    int profileDigits = 4;
    auto* profileCommand =
        app.add_subcommand("profile", "the vertical-curve table of a profile (--profile), as CSV");
    AddAlignmentOptions(*profileCommand, files);
    AddDigits(*profileCommand, profileDigits);

    auto* pointCommand =
        app.add_subcommand("point", "X, Y and azimuth text of one point, as the window shows");
    AddAlignmentOptions(*pointCommand, files);
    pointCommand->add_option("--station", point.Station, "station text")->required();
    pointCommand->add_option("--skew", point.Skew, "skew distance, m, left positive");
    pointCommand->add_option("--angle", point.Angle, "right deflection angle, degrees");
    AddDigits(*pointCommand, point.Digits);
    AddFieldOptions(*pointCommand, fieldTexts, force);

    LocateOptions locate;
    auto* locateCommand = app.add_subcommand(
        "locate", "station, offset and azimuth of points (point -> station), as CSV");
    AddAlignmentOptions(*locateCommand, files);
    auto* pointOption = locateCommand->add_option(
        "--point", locate.Points, "a point X,Y (north, east; repeatable), named P1, P2, ...");
    auto* pointsOption = locateCommand->add_option(
        "--points", locate.PointFile, "a point file: name,X,Y[,H] or CASS name,code,Y,X,H");
    locateCommand->callback([locateCommand, pointOption, pointsOption] {
        if (locateCommand->get_option("--jd")->count() == 0 &&
            locateCommand->get_option("--elem")->count() == 0 &&
            locateCommand->get_option("--landxml")->count() == 0) {
            throw CLI::RequiredError(locateCommand->get_name() + ": --jd, --elem or --landxml");
        }
        if (pointOption->count() == 0 && pointsOption->count() == 0) {
            throw CLI::RequiredError(locateCommand->get_name() + ": --point or --points");
        }
    });
    AddDigits(*locateCommand, locate.Digits);
    AddFieldOptions(*locateCommand, fieldTexts, force);

    PilesOptions piles;
    std::vector<double> at{0.0, 0.0};
    auto* pilesCommand =
        app.add_subcommand("piles", "the coordinates of every pile of a pile file, as CSV");
    AddAlignmentOptions(*pilesCommand, files);
    pilesCommand->add_option("--piles", piles.PileFile, "pile position file (.zw)")->required();
    AddDigits(*pilesCommand, piles.Digits);
    pilesCommand->add_option("--xlsx", piles.Xlsx, "write the coordinate table as a workbook");
    auto* dxf =
        pilesCommand->add_option("--dxf", piles.Dxf, "draw the table, sketch and stake-out points");
    pilesCommand->add_option("--at", at, "insertion point X,Y (north, east) of drawn tables")
        ->delimiter(',')
        ->expected(2)
        ->needs(dxf);
    pilesCommand->add_flag("--table", piles.Table, "draw the coordinate table")->needs(dxf);
    pilesCommand->add_flag("--sketch", piles.Sketch, "draw the pile sketch")->needs(dxf);
    pilesCommand->add_flag("--stakeout", piles.StakeOut, "draw the stake-out points")->needs(dxf);
    pilesCommand->add_flag("--force", force, "replace --xlsx, --dxf and --export files that exist");
    AddFieldOptions(*pilesCommand, fieldTexts, force);

    std::string drawDxf;
    auto* drawCommand = app.add_subcommand(
        "draw", "draw the design line into a DXF drawing (a line of at most 10000 km, i.e. "
                "100000 hundred-metre stakes)");
    AddAlignmentOptions(*drawCommand, files);
    drawCommand->add_option("--dxf", drawDxf, "DXF file to write")->required();
    drawCommand->add_flag("--force", force, "replace the --dxf file if it exists");

    std::string landxmlOut;
    auto* landxmlCommand = app.add_subcommand(
        "landxml", "write the line (with its chain breaks and --profile) as LandXML 1.2");
    AddAlignmentOptions(*landxmlCommand, files);
    landxmlCommand->add_option("--out", landxmlOut, "LandXML file to write")->required();
    landxmlCommand->add_flag("--force", force, "replace the --out file if it exists");

    try {
        std::vector<std::string> reversed(args.rbegin(), args.rend());
        app.parse(reversed);
    } catch (const CLI::CallForVersion& e) {
        out << e.what() << '\n';
        return 0;
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0) { // --help: the help of the subcommand named, if any
            out << app.help();
            return 0;
        }
        err << geometry::EscapeControlCharacters(e.what()) << '\n';
        return 2;
    }

    ConsolePrompts prompts(err, verbose);
    // An output option given with an empty path is refused, as is every other file it
    // could not write, before any work.
    for (CLI::App* command : {pilesCommand, drawCommand, landxmlCommand}) {
        if (!command->parsed()) {
            continue;
        }
        for (const char* name : {"--xlsx", "--dxf", "--out"}) {
            const CLI::Option* option = command->get_option_no_throw(name);
            if (option != nullptr && option->count() > 0 && option->as<std::string>().empty()) {
                prompts.Refuse({std::string("输出文件名不能为空：") + name});
                return 1;
            }
        }
    }
    // Nothing the user made is overwritten: an output never replaces an input file.
    const std::vector<std::string> inputs = {files.Jd,       files.Breaks,    files.Elem,
                                             files.LandXml,  files.Profile,   files.CrossFall,
                                             piles.PileFile, locate.PointFile};
    // The point files and the polar stake-out of the one command parsed.
    const std::optional<FieldOptions> field =
        ParseFieldOptions(prompts, fieldTexts.Exports, fieldTexts.Setup, fieldTexts.Backsight);
    if (!field) {
        return 1;
    }
    table.Field = point.Field = locate.Field = piles.Field = *field;
    if (!ExportsAreSafe(prompts, inputs, {piles.Xlsx, piles.Dxf}, *field, force)) {
        return 1;
    }
    if ((pilesCommand->parsed() &&
         !OutputsAreSafe(prompts, inputs, piles.Xlsx, piles.Dxf, force)) ||
        (drawCommand->parsed() && !OutputsAreSafe(prompts, inputs, {}, drawDxf, force)) ||
        (landxmlCommand->parsed() && !OutputsAreSafe(prompts, inputs, {}, landxmlOut, force))) {
        return 1;
    }
    const std::optional<session::LoadedLine> line = LoadAlignment(prompts, files);
    if (!line) {
        return 1;
    }
    if (tableCommand->parsed()) {
        return RunTable(*line, prompts, table, out);
    }
    if (landxmlCommand->parsed()) {
        return RunLandXml(*line, prompts, landxmlOut);
    }
    if (locateCommand->parsed()) {
        return RunLocate(*line, prompts, locate, out);
    }
    if (profileCommand->parsed()) {
        return RunProfile(*line, prompts, profileDigits, out);
    }
    if (curvesCommand->parsed()) {
        return RunCurves(*line, curveDigits, out);
    }
    if (pilesCommand->parsed()) {
        piles.AtX = at.at(0);
        piles.AtY = at.at(1);
        return RunPiles(*line, prompts, piles, out);
    }
    if (drawCommand->parsed()) {
        return RunDraw(*line, prompts, drawDxf);
    }
    return RunPoint(*line, prompts, point, out);
}

} // namespace tesk::cli
