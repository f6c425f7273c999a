#include "tnkcfg.h"

#include <cstring>
#include <filesystem>
#include <optional>
#include <system_error>

#include "config/config_document.h"
#include "config/config_file.h"
#include "markup_check.h"
#include "output_file.h"
#include "platform/platform.h"

namespace tnk {

namespace {

constexpr char kHelp[] =
    "Usage:\n"
    "  tnkcfg pack SOURCE --exe PROGRAM -o OUT [--force]\n"
    "      Enciphers the plain markup file SOURCE (UTF-8) for PROGRAM and writes\n"
    "      it to OUT. The top-level \"win\" element is set to PROGRAM's key.\n"
    "      Markup that the program would not save and read back unchanged is\n"
    "      refused, with its line.\n"
    "  tnkcfg unpack CFG --exe PROGRAM [-o OUT] [--force]\n"
    "      Deciphers CFG, made for PROGRAM, and writes its plain markup (UTF-8)\n"
    "      to OUT, or to the standard output.\n"
    "  tnkcfg rekey CFG --from OLD_PROGRAM --to NEW_PROGRAM -o OUT [--force]\n"
    "      Reads CFG with OLD_PROGRAM, the program it was made for, and writes\n"
    "      it to OUT for NEW_PROGRAM, keeping every record. CFG is never changed.\n"
    "  tnkcfg --help\n"
    "      Shows this text.\n"
    "OUT is replaced only with --force, and is never one of the files read.\n"
    "A file is written only when everything before it succeeded, and in one\n"
    "step: a failure at any moment leaves the old file or the new one.\n";

struct CommandLine {
    std::u16string command;
    std::vector<std::u16string> positional;
    std::optional<std::u16string> exe, from, to, output;
    bool help = false;
    bool force = false;
};

// A name from the command line, quoted, in the console's encoding.
std::string display(const std::u16string& name) {
    std::string text(1, '\'');
    text += utf16ToAnsi(name);
    text += '\'';
    return text;
}

class Tool {
  public:
    Tool(FileSystem& fs, std::string& out, std::string& err) : fs_(fs), out_(out), err_(err) {}

    int run(const std::vector<std::u16string>& args) {
        CommandLine cl;
        if (!parse(args, cl))
            return 2;
        if (cl.help) {
            out_ += kHelp;
            return 0;
        }
        if (cl.command == u"pack")
            return pack(cl);
        if (cl.command == u"unpack")
            return unpack(cl);
        if (cl.command == u"rekey")
            return rekey(cl);
        return usage("unknown command " + display(cl.command));
    }

  private:
    int usage(const std::string& message) {
        err_ += "tnkcfg: " + message + " (see tnkcfg --help)\n";
        return 2;
    }

    int fail(const std::string& message) {
        err_ += "tnkcfg: " + message + "\n";
        return 1;
    }

    bool parse(const std::vector<std::u16string>& args, CommandLine& cl) {
        if (args.empty()) {
            usage("no command given");
            return false;
        }
        for (std::size_t i = 0; i < args.size(); ++i) {
            const std::u16string& a = args[i];
            std::optional<std::u16string>* slot = nullptr;
            if (a == u"--help" || a == u"-h") {
                cl.help = true;
                continue;
            }
            if (a == u"--force") {
                cl.force = true;
                continue;
            }
            if (a == u"--exe")
                slot = &cl.exe;
            if (a == u"--from")
                slot = &cl.from;
            if (a == u"--to")
                slot = &cl.to;
            if (a == u"-o" || a == u"--output")
                slot = &cl.output;
            if (slot) {
                if (i + 1 >= args.size()) {
                    usage("option " + display(a) + " needs a value");
                    return false;
                }
                *slot = args[++i];
            } else if (a.size() > 1 && a[0] == u'-') {
                usage("unknown option " + display(a));
                return false;
            } else if (cl.command.empty()) {
                cl.command = a;
            } else {
                cl.positional.push_back(a);
            }
        }
        return true;
    }

    // One input file and the options a command needs, or a usage error.
    bool expect(const CommandLine& cl,
                std::initializer_list<const std::optional<std::u16string>*> required) {
        if (cl.positional.size() != 1) {
            usage(display(cl.command) + " takes exactly one input file");
            return false;
        }
        for (const auto* option : required) {
            if (!*option) {
                usage(display(cl.command) + " misses a required option");
                return false;
            }
        }
        return true;
    }

    // The key of `program`; `role` and `advice` say in the message which
    // program could not be read and what to do.
    std::optional<CipherKey> keyOf(const std::u16string& program, const char* role = "program",
                                   const char* advice = "") {
        std::optional<CipherKey> key = deriveKeyFromFile(program, fs_);
        if (!key)
            fail("cannot read the " + std::string(role) + " " + display(program) +
                 missing(program) + advice);
        return key;
    }

    // ": there is no such file" when `path` does not exist.
    static std::string missing(const std::u16string& path) {
        std::error_code ec;
        return std::filesystem::exists(std::filesystem::path(path), ec)
                   ? std::string()
                   : std::string(": there is no such file");
    }

    bool readInput(const std::u16string& path, Bytes& bytes) {
        if (fs_.readFile(path, bytes))
            return true;
        fail("cannot read " + display(path) + missing(path));
        return false;
    }

    // Deciphers a configuration file into `doc`; false (with a message)
    // when a file cannot be read or the key does not fit.
    bool readConfig(const std::u16string& path, const std::u16string& program, ConfigDocument& doc,
                    const char* role = "program", const char* advice = "") {
        Bytes bytes;
        if (!readInput(path, bytes))
            return false;
        const std::optional<CipherKey> key = keyOf(program, role, advice);
        if (!key)
            return false;
        bool hadMark = false;
        const std::u16string text = decodeConfigBytes(bytes, *key, &hadMark);
        if (!hadMark) {
            fail(display(path) + " does not decipher with the key of " + display(program) +
                 ": it was made for another program" + advice);
            return false;
        }
        doc.parse(text);
        return true;
    }

    bool mayWrite(const CommandLine& cl, const std::vector<std::u16string>& inputs) {
        const std::optional<std::string> problem = outputProblem(*cl.output, inputs, cl.force);
        if (problem)
            fail("will not write " + display(*cl.output) + ": it " + *problem);
        return !problem;
    }

    // Sets the top-level "win" for `key`; false (with a message) when that
    // element holds more than its text.
    bool setWin(ConfigDocument& doc, const CipherKey& key) {
        ConfigNode* win = doc.select(u"win");
        if (!win)
            win = doc.appendTopLevel(std::make_unique<ConfigNode>(u"win", NodeKind::Element));
        win->setText(winTextForKey(key));
        if (saveKeyOf(doc) != key) {
            fail("the \"win\" element holds other content");
            return false;
        }
        doc.readKey = key;
        return true;
    }

    int save(ConfigDocument& doc, const std::u16string& path) {
        if (!doc.save(path, fs_))
            return fail("cannot write " + display(path));
        return 0;
    }

    int refuse(const std::u16string& source, const MarkupProblem& problem) {
        std::string where = "cannot pack " + display(source);
        if (problem.line != 0)
            where += ", line " + std::to_string(problem.line);
        return fail(where + ": " + problem.what);
    }

    int pack(const CommandLine& cl) {
        if (!expect(cl, {&cl.exe, &cl.output}))
            return 2;
        const std::u16string& source = cl.positional[0];
        Bytes bytes;
        if (!readInput(source, bytes))
            return 1;
        const std::optional<CipherKey> key = keyOf(*cl.exe);
        if (!key || !mayWrite(cl, {source, *cl.exe}))
            return 1;
        std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        if (text.size() >= 3 && std::memcmp(text.data(), "\xEF\xBB\xBF", 3) == 0)
            text.remove_prefix(3);
        if (const auto problem = checkEncoding(text))
            return refuse(source, *problem);
        ConfigDocument doc;
        doc.parseUtf8(text);
        const SourceLines lines(text, doc);
        if (const auto problem = lines.checkNesting())
            return refuse(source, *problem);
        if (!setWin(doc, *key))
            return 1;
        // With "win" in place: text left last at top level stands before it.
        if (const auto problem = checkRoundTrip(doc, lines))
            return refuse(source, *problem);
        return save(doc, *cl.output);
    }

    int unpack(const CommandLine& cl) {
        if (!expect(cl, {&cl.exe}))
            return 2;
        ConfigDocument doc;
        if (!readConfig(cl.positional[0], *cl.exe, doc))
            return 1;
        const std::string markup = utf16ToUtf8(doc.serialize());
        if (!cl.output) {
            out_ += markup;
            return 0;
        }
        if (!mayWrite(cl, {cl.positional[0], *cl.exe}))
            return 1;
        if (!writeFileAtomically(fs_, *cl.output,
                                 reinterpret_cast<const std::uint8_t*>(markup.data()),
                                 markup.size())) {
            return fail("cannot write " + display(*cl.output));
        }
        return 0;
    }

    int rekey(const CommandLine& cl) {
        if (!expect(cl, {&cl.from, &cl.to, &cl.output}))
            return 2;
        const std::u16string& input = cl.positional[0];
        ConfigDocument doc;
        if (!readConfig(input, *cl.from, doc, "old program",
                        "; give with --from the very program file that used it (if it is gone, "
                        "unpack it again from the release it came in)"))
            return 1;
        const std::optional<CipherKey> key = keyOf(*cl.to, "new program");
        if (!key || !mayWrite(cl, {input, *cl.from, *cl.to}) || !setWin(doc, *key))
            return 1;
        if (const int code = save(doc, *cl.output))
            return code;
        std::size_t groups = 0, records = 0;
        for (const ConfigNode* group = doc.select(u"depository@group"); group;
             group = group->select(u"#group")) {
            ++groups;
            for (const ConfigNode* r = group->select(u"@record"); r; r = r->select(u"#record"))
                ++records;
        }
        out_ += "Carried " + counted(groups, "group") + " and " + counted(records, "record") +
                " over to " + display(*cl.output) + ", for " + display(*cl.to) + ".\n";
        return 0;
    }

    static std::string counted(std::size_t n, const char* noun) {
        return std::to_string(n) + " " + noun + (n == 1 ? "" : "s");
    }

    FileSystem& fs_;
    std::string& out_;
    std::string& err_;
};

}  // namespace

int runTnkcfg(const std::vector<std::u16string>& args, FileSystem& fs, std::string& out,
              std::string& err) {
    return Tool(fs, out, err).run(args);
}

}  // namespace tnk
