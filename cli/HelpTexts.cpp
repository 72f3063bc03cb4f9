// SPDX-License-Identifier: GPL-3.0-or-later
#include "HelpTexts.h"

namespace kolmaris::cli {

namespace {

std::string PortNumbers(const std::filesystem::path& portDirectory)
{
    const std::string here =
        portDirectory.empty() ? "none: neither XDG_RUNTIME_DIR nor HOME is set" : portDirectory.string();
    return "COM port numbers:\n"
           "  COM N is the device that the link COM<N> in the port directory points to\n"
           "  ($XDG_RUNTIME_DIR/kolmaris/ports, or ~/.local/state/kolmaris/ports without\n"
           "  XDG_RUNTIME_DIR; here: " +
           here +
           ").\n"
           "  Without a link, COM 1-32 are /dev/ttyS0-31, COM 33-64 /dev/ttyUSB0-31 and\n"
           "  COM 65-96 /dev/ttyACM0-31. The simulated terminal, kolmaris-terminal-sim,\n"
           "  registers itself with a link.\n";
}

const char* const kExitStatus =
    "Exit status:\n"
    "  0    done\n"
    "  1    the terminal or a probe did not deliver: a request failed after its attempts,\n"
    "       a command was refused, or the data memory holds bad data; what was read is saved\n"
    "  2    bad command line, or a station name that is not UTF-8 text of at most 100\n"
    "       characters\n"
    "  3    the port cannot be opened, or no terminal answers on it\n"
    "  4    an output file or directory cannot be written\n"
    "  5    recording into the terminal's memory could not be switched on again after a\n"
    "       download\n"
    "  6    the archive cannot be opened or written (damaged, another program's database,\n"
    "       read-only, held by another program for longer than 30 s, a server that does not\n"
    "       answer), the records do not belong to the station, or a file to import is not\n"
    "       one this program writes; nothing of that store is kept. Before 4 when both apply\n"
    "  130  interrupted by Ctrl-C or SIGTERM; a download or a probe reading first puts the\n"
    "       terminal back (recording on again, acquisition continued) and saves what was read;\n"
    "       a second Ctrl-C, or one while the archive is waited for, ends it at once\n";

const char* const kLinkOptions =
    "  --port N        the terminal's COM port number (1-255); default: automatic\n"
    "                  detection, trying COM 1 to 255 in turn\n"
    "  --device PATH   open this serial device (/dev/ttyUSB0, /dev/pts/5, ...) directly,\n"
    "                  without a COM number\n"
    "  --timeout MS    reply time-out in milliseconds (1-60000); default 200\n";

const char* const kAttemptsOption = "  --attempts N    tries of a request that fails (1-15); default 3\n";

const char* const kStatsAndHelp =
    "  --stats         print the bytes written to and read from the line at the end\n"
    "  -v, --verbose   write every exchange on the line to stderr, one line each:\n"
    "                  request, reply or time-out, retries, detection handshakes\n"
    "  -h, --help      print this help and exit\n";

const char* const kSettingsNote =
    "The link settings of the program's configuration file are not used: the options\n"
    "above give them.\n";

std::string PortsHelp(const std::filesystem::path& portDirectory)
{
    return "Usage: kolmaris-cli ports\n"
           "\n"
           "Lists the COM port numbers whose device can be opened, one a line with its device,\n"
           "for example \"COM 97 (/dev/pts/3)\". A port that another program holds is listed\n"
           "with \" busy\" after it, one this user may not open with \" no access\" (on Linux\n"
           "the dialout group gives access). Prints \"No ports found.\" when there is none.\n"
           "\n"
           "Options:\n"
           "  -h, --help      print this help and exit\n"
           "\n" +
           PortNumbers(portDirectory) + "\n" + kExitStatus;
}

std::string StatusHelp()
{
    return std::string(
               "Usage: kolmaris-cli status [--port N | --device PATH] [options]\n"
               "\n"
               "Connects to the terminal and prints its firmware version, clock, supply voltage,\n"
               "temperature, pressure and humidity, the state of data acquisition, the elements\n"
               "bonded to it with their functions, and the alarms (elements out of RF range, low\n"
               "battery, relay failure). A value the terminal does not give shows as \"no answer\",\n"
               "and the exit status is then 1.\n"
               "\n"
               "Options:\n") +
           kLinkOptions + kAttemptsOption + kStatsAndHelp + "\n" + kSettingsNote + "\n" + kExitStatus;
}

std::string DownloadHelp()
{
    return std::string(
               "Usage: kolmaris-cli download --out DIR [--port N | --device PATH] [options]\n"
               "\n"
               "Downloads the terminal's whole data memory as the \"Data in terminal\" window does:\n"
               "recording into the memory is switched off, the memory is read backwards from its\n"
               "write pointer in pieces of up to 16 bytes (each tried five times, 500 ms apart),\n"
               "and recording is switched on again. Then the files of \"Save All\" are written into\n"
               "DIR, which is created when missing: RDN_n.tab and SPC_n.tab (radon records and\n"
               "spectra of the probe at MESH address n), TERM.tab (the terminal's meteo records)\n"
               "and DIA.tab (diagnostic events). Old files of these names are replaced; an old\n"
               "DIA.tab is removed when there are no events. The counts are printed at the end.\n"
               "A progress bar shows on stderr when it is a terminal. When the download fails, what\n"
               "was read up to then is saved all the same; a run that read nothing leaves DIR as it\n"
               "was.\n"
               "\n"
               "Options:\n"
               "  --out DIR       the directory for the files\n"
               "  --continue N    when the terminal stops answering (a piece not read in five tries),\n"
               "                  continue where the download stopped, as the window's \"Continue\"\n"
               "                  button does, or begin again when nothing was read yet; as long\n"
               "                  as the download moves on, and up to N times (0-100) after a\n"
               "                  run that read nothing; 0: never; default 3\n"
               "  --archive [PATH|URL]\n"
               "                  also store the records read in the station archive (see\n"
               "                  kolmaris-cli archive --help); alone: the default file\n"
               "  --station NAME  the station the records belong to; default \"default\"\n"
               "  --new-only      with --archive: stop reading once the records read reach those\n"
               "                  the archive holds for the station (the newest meteo record of\n"
               "                  its last download of the whole memory, and at least 8 records\n"
               "                  in a row held with equal values), then switch recording on again\n"
               "                  and store what was read; the files hold only that. When the\n"
               "                  archive cannot prove where its records begin (a new station, a\n"
               "                  memory erased or wrapped past them, the terminal's clock set\n"
               "                  back, an earlier download stopped part-way) the whole memory is\n"
               "                  read and one line on stderr says why\n") +
           kLinkOptions + kStatsAndHelp + "\n" + kSettingsNote + "\n" + kExitStatus;
}

const char* const kArchiveOption =
    "  --archive PATH|URL\n"
    "                  the archive: an SQLite file, or a PostgreSQL server as\n"
    "                  postgresql://user@host:port/database; default\n"
    "                  ~/.local/share/kolmaris/archive.sqlite. Without a password in the\n"
    "                  URL the server's comes from PGPASSWORD or ~/.pgpass (better than\n"
    "                  one in the URL, which other users may see in the process list).\n"
    "                  A server that does not answer is given up after 5 s;\n"
    "                  ?connect_timeout=SECONDS in the URL sets another time-out\n";

std::string ArchiveHelp()
{
    return std::string(
               "Usage: kolmaris-cli archive stats [--archive PATH|URL]\n"
               "       kolmaris-cli archive import DIR|FILE... [--station NAME] [--archive PATH|URL]\n"
               "\n"
               "The station archive keeps every radon record, spectrum, meteo record and diagnostic\n"
               "event of a station once, however often it was downloaded; times are kept to the\n"
               "minute, as the .tab files keep them. The tables are created or upgraded on first use.\n"
               "A record already there is not stored again; one whose values differ from the\n"
               "archive's record of the same time is counted and left as the archive has it.\n"
               "\n"
               "stats   prints what the archive holds per station and probe\n"
               "import  reads the .tab files that downloads and \"Save All\" write (RDN_n.tab,\n"
               "        SPC_n.tab labelled by time, TERM.tab, DIA.tab) from the directories and\n"
               "        files named, and stores them in one go: a file that does not read stops\n"
               "        the import, naming file and line, and nothing of it is stored\n"
               "\n"
               "Options:\n") +
           kArchiveOption +
           "  --station NAME  import: the station the records belong to; default \"default\"\n"
           "  -h, --help      print this help and exit\n\n" +
           kExitStatus;
}

std::string HistoryHelp()
{
    return std::string(
               "Usage: kolmaris-cli history --probe N [--station NAME] [--from DATE] [--to DATE]\n"
               "                            [--format text|csv|json] [--reference BQ] [--archive PATH|URL]\n"
               "\n"
               "Prints the radon records of the probe at MESH address N from the archive, oldest\n"
               "first, and their statistics: number, mean, minimum, maximum, and the hours above\n"
               "the reference level. Each record stands for the time since the record before it, at\n"
               "most the usual record interval, so gaps in the data do not count as hours above.\n"
               "Dates are on the terminal's clock (UTC+01:00, no daylight saving time); csv and json\n"
               "write times as 2026-03-01T12:00:00+01:00. With csv the statistics go to stderr.\n"
               "A station the archive does not hold (names are exact, case included) is refused\n"
               "with the list of those it holds, exit status 2.\n"
               "\n"
               "Options:\n"
               "  --probe N       MESH address of the probe (1-16)\n"
               "  --station NAME  the station; default \"default\"\n"
               "  --from DATE     first day, YYYY-MM-DD, or a time YYYY-MM-DD hh:mm\n"
               "  --to DATE       last day (included), or a time\n"
               "  --format F      text (default), csv or json\n"
               "  --reference BQ  the reference level in Bq/m3; default 300\n") +
           kArchiveOption + "  -h, --help      print this help and exit\n\n" + kExitStatus;
}

std::string ClockHelp()
{
    return std::string(
               "Usage: kolmaris-cli clock [--port N | --device PATH] [--set [--if-off SECONDS]] [options]\n"
               "\n"
               "Prints the terminal's clock, the PC's clock on the terminal's scale (UTC+01:00, no\n"
               "daylight saving time) and how many seconds the terminal is ahead of the PC\n"
               "(negative: behind). With --set the terminal's clock is set from the PC's, as the\n"
               "\"Copy PC time\" button of the system configuration window does, and the clocks are\n"
               "printed again.\n"
               "\n"
               "Options:\n"
               "  --set           set the terminal's clock from the PC's\n"
               "  --if-off SECONDS\n"
               "                  with --set: only when the clocks differ by more than SECONDS\n"
               "                  (0-31622400)\n") +
           kLinkOptions + kAttemptsOption + kStatsAndHelp + "\n" + kSettingsNote + "\n" + kExitStatus;
}

std::string ProbeHelp(Command command)
{
    const bool records = command == Command::Records;
    const std::string head =
        records ? "Usage: kolmaris-cli records --probe N --from A --to B --out FILE [options]\n"
                  "\n"
                  "Reads radon records A to B from the radon probe at MESH address N over the radio, as\n"
                  "the \"Radon records\" window does, and writes them to FILE as its Save button does:\n"
                  "tab-separated, the oldest first, each numbered with its record number. Record 1 is\n"
                  "the newest; a probe's ring holds 4096. A probe with fewer records than asked for\n"
                  "gives those it has, with a warning.\n"
                : "Usage: kolmaris-cli spectra --probe N --from A --to B --out FILE [options]\n"
                  "\n"
                  "Reads spectrum buffers A to B from the radon probe at MESH address N over the radio,\n"
                  "as the \"Spectra\" window does, and writes them to FILE as its Save button does:\n"
                  "tab-separated, one buffer a line with its buffer number and its 96 channels, the\n"
                  "newest first. Buffer 1 is the newest; a probe's ring holds 512. A probe with fewer\n"
                  "buffers than asked for gives those it has, with a warning.\n";
    const std::string item = records ? "record" : "buffer";
    const std::string range = records ? " (1-4096)" : " (1-512)";
    std::string text = head;
    text += "FILE is replaced; it is left alone when the reading fails before anything was read.\n";
    text += "The terminal's data acquisition is stopped for the reading, and continued afterwards\n";
    text += "when it was running.\n\nOptions:\n";
    text += "  --probe N       MESH address of the probe (1-16)\n";
    text += "  --from A        first " + item + " number" + range + "\n";
    text += "  --to B          last " + item + " number" + range + ", at least A\n";
    text += "  --out FILE      the file to write\n";
    if (records)
        text += "  --archive [PATH|URL]\n"
                "                  also store the records read in the station archive (see\n"
                "                  kolmaris-cli archive --help); alone: the default file\n"
                "  --station NAME  the station the records belong to; default \"default\"\n";
    text += std::string(kLinkOptions) + kAttemptsOption + kStatsAndHelp + "\n" + kSettingsNote + "\n" + kExitStatus;
    return text;
}

std::string MeshHelp()
{
    return std::string(
               "Usage: kolmaris-cli mesh [--port N | --device PATH] [--format text|csv|json] [options]\n"
               "\n"
               "Reads the MESH configuration as the \"IQRF MESH configuration\" window does: the\n"
               "coordinator's number of hops, RF channel, RF power, voltage and P2P address, and for\n"
               "every bonded element its function, RF power, RSSI (as the element heard the request /\n"
               "as the terminal's side hears it), supply voltage and P2P address. A value that could\n"
               "not be read shows as \"...\" (null in JSON), its row is marked incomplete and the exit\n"
               "status is then 1. The JSON form is a backup of the network's configuration to keep\n"
               "beside the data files. The terminal's data acquisition is stopped for the reading, and\n"
               "continued afterwards when it was running.\n"
               "\n"
               "Options:\n"
               "  --format F      text (default), csv or json\n") +
           kLinkOptions + kAttemptsOption + kStatsAndHelp + "\n" + kSettingsNote + "\n" + kExitStatus;
}

}  // namespace

std::string ProgramHelp(const std::filesystem::path& portDirectory)
{
    return "Usage: kolmaris-cli COMMAND [options]\n"
           "\n"
           "Works with the terminal of a Kolmaris radon monitoring system on its serial line,\n"
           "without a window: lists the ports, shows the terminal's state, downloads its data\n"
           "memory, reads radon records and spectra from its probes over the radio, and shows\n"
           "or sets its clock. The files are the \".tab\" files the program's windows save.\n"
           "\n"
           "Commands:\n"
           "  ports      list the COM port numbers with their devices\n"
           "  status     show the terminal's firmware, clock, voltage, environment, acquisition,\n"
           "             bonded elements and alarms\n"
           "  download   download the terminal's whole data memory into .tab files\n"
           "  records    read radon records from a probe into a .tab file\n"
           "  spectra    read spectra from a probe into a .tab file\n"
           "  clock      show the terminal's clock beside the PC's, or set it from the PC\n"
           "  mesh       show the MESH configuration: every element's function, RF power, RSSI,\n"
           "             voltage and P2P address, the coordinator's channel and number of hops\n"
           "  archive    show what the station archive holds, or import .tab files into it\n"
           "  history    print a probe's radon records from the archive with their statistics\n"
           "  report     write a station's radon measurement report (PDF or JSON)\n"
           "\n"
           "Options:\n"
           "  -h, --help      print this help and exit\n"
           "  -V, --version   print the program's version and exit\n"
           "  -v, --verbose   log the exchanges on the line to stderr; also among a command's\n"
           "                  options\n"
           "\n"
           "\"kolmaris-cli COMMAND --help\" shows a command's options.\n"
           "\n" +
           PortNumbers(portDirectory) + "\n" + kExitStatus;
}

std::string CommandHelp(Command command, const std::filesystem::path& portDirectory)
{
    switch (command) {
        case Command::Ports:
            return PortsHelp(portDirectory);
        case Command::Status:
            return StatusHelp();
        case Command::Download:
            return DownloadHelp();
        case Command::Records:
        case Command::Spectra:
            return ProbeHelp(command);
        case Command::Clock:
            return ClockHelp();
        case Command::Mesh:
            return MeshHelp();
        case Command::Archive:
            return ArchiveHelp();
        case Command::History:
            return HistoryHelp();
    }
    return {};
}

}  // namespace kolmaris::cli
