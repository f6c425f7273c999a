#include "tnkcfg.h"

#include <cstring>
#include <optional>

#include "config/config_document.h"
#include "config/config_file.h"
#include "platform/platform.h"

namespace tnk {

namespace {

constexpr char kHelp[] =
    "Usage:\n"
    "  tnkcfg pack SOURCE --exe PROGRAM -o OUT\n"
    "      Enciphers the plain markup file SOURCE (UTF-8) for PROGRAM and writes\n"
    "      it to OUT. The top-level \"win\" element is set to PROGRAM's key.\n"
    "  tnkcfg unpack CFG --exe PROGRAM [-o OUT]\n"
    "      Deciphers CFG, made for PROGRAM, and writes its plain markup (UTF-8)\n"
    "      to OUT, or to the standard output.\n"
    "  tnkcfg rekey CFG --from OLD_PROGRAM --to NEW_PROGRAM [-o OUT]\n"
    "      Re-enciphers CFG, made for OLD_PROGRAM, for NEW_PROGRAM, keeping every\n"
    "      record. OUT defaults to CFG, which is replaced in one step.\n"
    "  tnkcfg --help\n"
    "      Shows this text.\n"
    "A file is written only when everything before it succeeded; the input is\n"
    "never changed when it could not be read.\n";

struct CommandLine {
    std::u16string command;
    std::vector<std::u16string> positional;
    std::optional<std::u16string> exe, from, to, output;
    bool help = false;
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

    std::optional<CipherKey> keyOf(const std::u16string& program) {
        std::optional<CipherKey> key = deriveKeyFromFile(program, fs_);
        if (!key)
            fail("cannot read the program " + display(program));
        return key;
    }

    bool readInput(const std::u16string& path, Bytes& bytes) {
        if (fs_.readFile(path, bytes))
            return true;
        fail("cannot read " + display(path));
        return false;
    }

    // Deciphers a configuration file into `doc`; false (with a message)
    // when the key does not fit.
    bool readConfig(const std::u16string& path, const std::u16string& program,
                    ConfigDocument& doc) {
        Bytes bytes;
        if (!readInput(path, bytes))
            return false;
        const std::optional<CipherKey> key = keyOf(program);
        if (!key)
            return false;
        bool hadMark = false;
        const std::u16string text = decodeConfigBytes(bytes, *key, &hadMark);
        if (!hadMark) {
            fail(display(path) + " does not decipher with the key of " + display(program));
            return false;
        }
        doc.parse(text);
        return true;
    }

    // Sets the top-level "win" for `key` and writes the enciphered file.
    int writeFor(ConfigDocument& doc, const CipherKey& key, const std::u16string& path) {
        ConfigNode* win = doc.select(u"win");
        if (!win)
            win = doc.appendTopLevel(std::make_unique<ConfigNode>(u"win", NodeKind::Element));
        win->setText(winTextForKey(key));
        if (saveKeyOf(doc) != key)
            return fail("the \"win\" element holds other content");
        doc.readKey = key;
        if (!doc.save(path, fs_))
            return fail("cannot write " + display(path));
        return 0;
    }

    int pack(const CommandLine& cl) {
        if (!expect(cl, {&cl.exe, &cl.output}))
            return 2;
        Bytes bytes;
        if (!readInput(cl.positional[0], bytes))
            return 1;
        const std::optional<CipherKey> key = keyOf(*cl.exe);
        if (!key)
            return 1;
        std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        if (text.size() >= 3 && std::memcmp(text.data(), "\xEF\xBB\xBF", 3) == 0)
            text.remove_prefix(3);
        ConfigDocument doc;
        doc.parse(utf8ToUtf16(text));
        return writeFor(doc, *key, *cl.output);
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
        if (!writeFileAtomically(fs_, *cl.output,
                                 reinterpret_cast<const std::uint8_t*>(markup.data()),
                                 markup.size())) {
            return fail("cannot write " + display(*cl.output));
        }
        return 0;
    }

    int rekey(const CommandLine& cl) {
        if (!expect(cl, {&cl.from, &cl.to}))
            return 2;
        const std::u16string& input = cl.positional[0];
        ConfigDocument doc;
        if (!readConfig(input, *cl.from, doc))
            return 1;
        const std::optional<CipherKey> key = keyOf(*cl.to);
        if (!key)
            return 1;
        return writeFor(doc, *key, cl.output ? *cl.output : input);
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
