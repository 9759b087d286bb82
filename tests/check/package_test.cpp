// The package's own records, read the same on every build: the setup information's bounds,
// what the cabinet's records make of a package, and the verdict's boundaries.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "check/cabinet_layout.h"
#include "check/package.h"
#include "check/setup_000.h"
#include "check/setup_xml.h"
#include "check/verdict.h"
#include "check/xml_rules.h"
#include "within.h"

using namespace check;
using namespace check::layout;

namespace {

void Put(std::string &bytes, size_t at, unsigned long value, int size)
{
    for (int i = 0; i < size; i++)
        bytes[at + i] = char(value >> (8 * i) & 0xFF);
}

// A setup information of 100 header bytes and "App\0Co\0" after them; change sets fields.
std::string SetupBytes(std::initializer_list<std::tuple<size_t, unsigned long, int>> change = {})
{
    std::string bytes(kSetupHeaderSize, '\0');
    bytes.replace(kSetupSignature, 4, "MSCE");
    bytes += std::string("App\0Co\0", 7);
    Put(bytes, kSetupLength, bytes.size(), 4);
    for (int section = 0; section < kSetupSections; section++)
        Put(bytes, kSetupSectionOffsets + 4 * section, 100, 4);
    Put(bytes, kSetupApp, 100, 2), Put(bytes, kSetupApp + 2, 4, 2);
    Put(bytes, kSetupProvider, 104, 2), Put(bytes, kSetupProvider + 2, 3, 2);
    for (const auto &[at, value, size] : change)
        Put(bytes, at, value, size);
    return bytes;
}

const Device kVersionSix{{6, 0}, std::nullopt, L"", 1252};

bool Parses(const std::string &bytes, SetupInfo *info = nullptr)
{
    SetupInfo ignored;
    std::string why;
    return ParseSetupInfo(reinterpret_cast<const unsigned char *>(bytes.data()), bytes.size(),
                          info != nullptr ? info : &ignored, &why);
}

}  // namespace

TEST(SetupInfo, EveryOffsetAndLengthStaysInside)
{
    const size_t names = kSetupUnsupported, namesLength = kSetupUnsupported + 2, length = kSetupLength;
    const size_t app = kSetupApp + 2, provider = kSetupProvider + 2, counts = kSetupSectionCounts;
    const size_t firstSection = kSetupSectionOffsets, lastSection = kSetupSectionOffsets + 4 * (kSetupSections - 1);
    std::string unsupported = SetupBytes({{names, 107, 2}, {namesLength, 8, 2}}) + std::string("PPC\0SP\0\0", 8);
    Put(unsupported, length, unsupported.size(), 4);
    const struct { const char *what; std::string bytes; bool parses; } cases[] = {
        {"whole", SetupBytes(), true},
        {"cut below its header", SetupBytes().substr(0, 99), false},
        {"not MSCE", "MSCF" + SetupBytes().substr(4), false},
        {"length past the member", SetupBytes({{length, 108, 4}}), false},
        {"length inside its header", SetupBytes({{length, 99, 4}}), false},
        {"a string ending at the end", SetupBytes({{provider, 3, 2}}), true},
        {"a string past the end", SetupBytes({{provider, 4, 2}}), false},
        {"a string without its NUL", SetupBytes({{app, 3, 2}}), false},
        {"an empty section at the end", SetupBytes({{firstSection, 107, 4}}), true},
        {"a section starting at the end", SetupBytes({{counts, 1, 2}, {firstSection, 107, 4}}), false},
        {"a section past the end", SetupBytes({{lastSection, 108, 4}}), false},
        {"unsupported names", unsupported, true},
        {"unsupported names without their end", SetupBytes({{names, 100, 2}, {namesLength, 7, 2}}), false},
        {"no unsupported names, pointing inside as CabWiz points them", SetupBytes({{names, 104, 2}, {namesLength, 0, 2}}), true},
        {"no unsupported names, pointing past the end", SetupBytes({{names, 108, 2}, {namesLength, 0, 2}}), false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(Parses(c.bytes), c.parses) << c.what;
    SetupInfo info;
    ASSERT_TRUE(Parses(unsupported, &info));
    EXPECT_EQ(info.app, "App");
    EXPECT_EQ(info.provider, "Co");
    EXPECT_EQ(info.unsupported, (std::vector<std::string>{"PPC", "SP"}));
}

// Setup information of a processor type and build range, any OS version.
static SetupInfo Info(unsigned long processor, unsigned long buildMin = 0, unsigned long buildMax = 0)
{
    SetupInfo info;
    info.processor = processor, info.buildMin = buildMin, info.buildMax = buildMax;
    return info;
}

TEST(Judge, VersionProcessorAndBuildBounds)
{
    auto judge = [](SetupInfo info, Version device, std::optional<unsigned long> processor = {}) {
        PackageFacts facts;
        facts.cabinet = CabinetState::kOk;
        facts.setup = SetupForm::k000;
        facts.readings = {SetupReading{SetupState::kRead, info, ""}};
        return Judge(facts, {device, processor, L"", 1252}).installs;
    };
    const Installs yes = Installs::kYes, no = Installs::kNo, maybe = Installs::kMaybe;
    SetupInfo range;
    range.osMin = {5, 0}, range.osMax = {5, 99};
    SetupInfo fromSix;
    fromSix.osMin = {6, 0};
    const struct { SetupInfo info; Version device; std::optional<unsigned long> processor; Installs installs; } cases[] = {
        {range, {5, 0}, {}, yes}, {range, {5, 99}, {}, yes}, {range, {6, 0}, {}, no}, {range, {5, 100}, {}, no},
        {range, {4, 99}, {}, no}, {fromSix, {6, 0}, {}, yes}, {fromSix, {5, 99}, {}, no}, {fromSix, {700, 0}, {}, yes},
        {Info(586), {6, 0}, {}, no}, {Info(70001), {6, 0}, {}, yes}, {Info(2577), {6, 0}, 2577, yes},
        {Info(1824), {6, 0}, 2577, maybe}, {Info(0), {6, 0}, 2577, yes},
        {Info(0, 1, 0), {6, 0}, {}, maybe}, {Info(0, 0, 0x9FFFFFFF), {6, 0}, {}, maybe},
        {Info(0, 0, 0xA0000000), {6, 0}, {}, yes},
    };
    for (size_t i = 0; i < std::size(cases); i++)
        EXPECT_EQ(judge(cases[i].info, cases[i].device, cases[i].processor), cases[i].installs) << "case " << i;
}

// A _setup.xml as CabWiz writes it, with the Install characteristic's parms "name=value".
std::string Document(std::initializer_list<std::string> parms, const std::string &before = "")
{
    std::string document = before + "<wap-provisioningdoc><characteristic type=\"Install\">";
    for (const std::string &parm : parms)
        document += "<parm name=\"" + parm.substr(0, parm.find('=')) + "\" value=\"" + parm.substr(parm.find('=') + 1) + "\"/>";
    return document + "</characteristic><characteristic type=\"FileOperation\"/></wap-provisioningdoc>";
}

// What the cabinet's records and the library's read make of a package, and its verdict.
TEST(DescribePackage, TheCabinetFromItsRecordsAndTheLibrarysRead)
{
    auto records = [](CabinetFault fault, std::vector<std::string> members) {
        CabinetRecords read;
        read.signature = true, read.fault = fault, read.compression = {kQuantum}, read.members = std::move(members);
        read.versionMajor = 2, read.versionMinor = 1;
        return read;
    };
    const CabinetState ok = CabinetState::kOk, damaged = CabinetState::kDamaged, unread = CabinetState::kUnread;
    const Installs yes = Installs::kYes, no = Installs::kNo, maybe = Installs::kMaybe;
    const struct { CabinetRecords records; bool readThrough; CabinetState cabinet; SetupForm form; bool dll;
                   Installs installs; const char *why; } cases[] = {
        {CabinetRecords{}, false, CabinetState::kNotACabinet, SetupForm::kNone, false, no, "MSCF"},
        {records(CabinetFault::kNone, {"A.000"}), false, damaged, SetupForm::kNone, false, no, "damaged or cut short"},
        {records(CabinetFault::kNone, {"A.000", "B.999"}), true, ok, SetupForm::k000, true, yes, ""},
        {records(CabinetFault::kNone, {"a.001"}), true, ok, SetupForm::kNone, false, no, "no setup information"},
        {records(CabinetFault::kVersion, {"A.000"}), true, damaged, SetupForm::kNone, false, no, "version as 2.1"},
        {records(CabinetFault::kMembersOverlap, {"A.000"}), true, damaged, SetupForm::kNone, false, no, "share data"},
        {records(CabinetFault::kBlockSize, {"A.000"}), true, damaged, SetupForm::kNone, false, no, "no bytes or to more"},
        {records(CabinetFault::kStoredSizes, {"A.000"}), true, damaged, SetupForm::kNone, false, no, "other than the bytes"},
        {records(CabinetFault::kQuantum, {"A.000"}), false, unread, SetupForm::k000, false, maybe, "Quantum"},
        {records(CabinetFault::kQuantum, {"_setup.xml"}), false, unread, SetupForm::kXml, false, maybe, "Quantum"},
        {records(CabinetFault::kQuantum, {"a.001"}), false, unread, SetupForm::kNone, false, no, "no setup information"},
        {records(CabinetFault::kOutOfOrder, {"A.000"}), false, unread, SetupForm::k000, false, maybe, "order"},
        {records(CabinetFault::kSharedBlocks, {"A.000"}), false, unread, SetupForm::k000, false, maybe, "same data"},
    };
    for (size_t i = 0; i < std::size(cases); i++) {
        const auto &c = cases[i];
        bool read = c.readThrough && c.records.fault == CabinetFault::kNone;
        PackageFacts facts = DescribePackage(c.records, c.readThrough, {read ? 1u : 0u, {"A.000", SetupBytes()}});
        Verdict verdict = Judge(facts, kVersionSix);
        EXPECT_EQ(facts.cabinet, c.cabinet) << "case " << i;
        EXPECT_EQ(facts.setup, c.form) << "case " << i;
        EXPECT_EQ(facts.setupDll, c.dll) << "case " << i;
        EXPECT_EQ(facts.compression.empty(), c.cabinet != ok && c.cabinet != unread) << "case " << i;
        EXPECT_EQ(verdict.installs, c.installs) << "case " << i;
        EXPECT_NE(verdict.why.find(c.why), std::string::npos) << "case " << i << ": " << verdict.why;
    }
}

// Each format read, and the verdict the stricter of them gives.
TEST(DescribePackage, SetupFromEitherFormatAndTheStricterVerdict)
{
    CabinetRecords good;
    good.signature = true, good.fault = CabinetFault::kNone;
    const std::string fromFive = SetupBytes({{kSetupOsMinMajor, 5, 4}}), cut = fromFive.substr(0, 99);
    const std::string agrees = Document({"OSVersionMin=5.0"}), old = Document({"OSVersionMax=4.99"});
    const std::string x86 = Document({"OSVersionMin=5.0", "ProcessorType=586"}), broken = "<wap-provisioningdoc>";
    const std::string dll = Document({"OSVersionMin=5.0", "SetupDLL=1"});
    using K = std::vector<std::pair<std::string, std::string>>;
    const SetupState absent = SetupState::kAbsent, read = SetupState::kRead, invalid = SetupState::kInvalid;
    const struct { K kept; SetupForm form; SetupState xml; Installs installs; std::vector<std::string> differ; bool dll; } cases[] = {
        {{{"A.000", fromFive}}, SetupForm::k000, absent, Installs::kYes, {}, false},
        {{{"A.000", cut}}, SetupForm::k000, absent, Installs::kNo, {}, false},
        {{{"_setup.xml", agrees}}, SetupForm::kXml, read, Installs::kYes, {}, false},
        {{{"_setup.xml", old}}, SetupForm::kXml, read, Installs::kNo, {}, false},
        {{{"_setup.xml", broken}}, SetupForm::kXml, invalid, Installs::kMaybe, {}, false},
        {{{"A.000", fromFive}, {"_setup.xml", agrees}}, SetupForm::k000, read, Installs::kYes, {}, false},
        {{{"A.000", fromFive}, {"_setup.xml", x86}}, SetupForm::k000, read, Installs::kNo, {"processor"}, false},
        {{{"A.000", fromFive}, {"_setup.xml", broken}}, SetupForm::k000, invalid, Installs::kYes, {}, false},
        {{{"A.000", cut}, {"_setup.xml", agrees}}, SetupForm::k000, read, Installs::kNo, {}, false},
        {{{"A.000", fromFive}, {"_setup.xml", dll}}, SetupForm::k000, read, Installs::kYes, {"setup_dll"}, true},
    };
    for (size_t i = 0; i < std::size(cases); i++) {
        const auto &c = cases[i];
        good.members.clear();
        for (const auto &[name, bytes] : c.kept)
            good.members.push_back(name);
        PackageFacts facts = DescribePackage(good, true, c.kept);
        std::vector<std::string> differ;
        for (const Disagreement &d : facts.disagreements)
            differ.push_back(d.field);
        EXPECT_EQ(facts.setup, c.form) << "case " << i;
        EXPECT_EQ(facts.State(SetupForm::kXml), c.xml) << "case " << i;
        EXPECT_EQ(Judge(facts, kVersionSix).installs, c.installs) << "case " << i;
        EXPECT_EQ(differ, c.differ) << "case " << i;
        EXPECT_EQ(facts.setupDll, c.dll) << "case " << i;
    }
}

// The document read by the platform's own parser, the same on every build.
TEST(SetupDocument, ParmsAsTheInstallerReadsThemWithinTheBounds)
{
    const std::string full = Document({"AppName=NSB Runtime", "ProcessorType=2577", "OSVersionMin=4.20",
                                       "OSVersionMax=6.99", "BuildNumberMin=0", "BuildNumberMax=-536870912",
                                       "SetupDLL=1"});
    // Many characters of two and three bytes, far into the document: Wine's XmlLite misreads
    // them where they cross its buffers.
    std::string far = "<!-- \xF0\x9F\x93\xA6 --><d>", many;
    for (int i = 0; i < 3000; i++)
        far += "<f n=\"" + std::string(size_t(i % 5), 'x') + "\xC3\xA9\xE2\x82\xAC\"/>", many += "\xC3\xA9\xE2\x82\xAC";
    far += "\xF0\x9F\x93\xA6&#x1F4E6;" + Document({"AppName=" + many}) + "</d>";
    const struct { std::string document; bool read; unsigned long processor; Version osMin, osMax;
                   unsigned long buildMax; bool dll; std::string app; } cases[] = {
        {full, true, 2577, {4, 20}, {6, 99}, 0xE0000000ul, true, "NSB Runtime"},
        {Document({"OSVersionMin=4.2", "OSVersionMax=5"}), true, 0, {4, 2}, {5, 0}, 0, false, ""},
        {Document({}), true, 0, {}, {}, 0, false, ""},
        {Document({"BuildNumberMax=4294967295"}), true, 0, {}, {}, 0xFFFFFFFFul, false, ""},
        {Document({"BuildNumberMax=-0"}), true, 0, {}, {}, 0, false, ""},
        {Document({"AppName=&lt;N&#x53;&#66;&gt; Runtime"}), true, 0, {}, {}, 0, false, "<NSB> Runtime"},
        {Document({"AppName=Soci\xC3\xA9t\xC3\xA9 &#xE9;\xE2\x82\xAC"}), true, 0, {}, {}, 0, false, "Soci\xC3\xA9t\xC3\xA9 \xC3\xA9\xE2\x82\xAC"},
        {far, true, 0, {}, {}, 0, false, many},
        // A TAB, CR or LF becomes a space, given by reference too (Wine's XmlLite does so).
        {Document({"AppName=a&#9;b&#10;c&#13;d\te\r\nf"}), true, 0, {}, {}, 0, false, "a b c d e f"},
        {Document({"ProcessorType=ARM"}), false, 0, {}, {}, 0, false, ""},
        {Document({"BuildNumberMax=-2147483649"}), false, 0, {}, {}, 0, false, ""},
        {Document({"OSVersionMin=4.x"}), false, 0, {}, {}, 0, false, ""},
        {Document({"SetupDLL=yes"}), false, 0, {}, {}, 0, false, ""},
        {"<wap-provisioningdoc><characteristic type=\"CertificateStore\"/></wap-provisioningdoc>", true, 0, {}, {}, 0, false, ""},
        {"<provisioning><characteristic type=\"FileOperation\"/></provisioning>", false, 0, {}, {}, 0, false, ""},
        {"<wap-provisioningdoc><characteristic type=\"Install\">", false, 0, {}, {}, 0, false, ""},
    };
    for (size_t i = 0; i < std::size(cases); i++) {
        const auto &c = cases[i];
        SetupInfo info;
        std::string why;
        ASSERT_EQ(ReadSetupDocument(c.document, &info, &why), c.read) << "case " << i << ": " << why;
        if (!c.read) {
            EXPECT_FALSE(why.empty());
            continue;
        }
        EXPECT_EQ(info.processor, c.processor) << "case " << i;
        EXPECT_EQ(std::make_pair(info.osMin.major, info.osMin.minor), std::make_pair(c.osMin.major, c.osMin.minor)) << "case " << i;
        EXPECT_EQ(std::make_pair(info.osMax.major, info.osMax.minor), std::make_pair(c.osMax.major, c.osMax.minor)) << "case " << i;
        EXPECT_EQ(info.buildMax, c.buildMax) << "case " << i;
        EXPECT_EQ(info.setupDll, c.dll) << "case " << i;
        EXPECT_EQ(info.app, c.app) << "case " << i;
    }
}

// UTF-16 of ASCII text, little-endian with its byte-order mark unless told otherwise.
static std::string Utf16(const std::string &ascii, bool little = true, bool mark = true)
{
    std::string bytes = !mark ? "" : little ? "\xFF\xFE" : "\xFE\xFF";
    for (char c : ascii)
        bytes += little ? std::string{c, '\0'} : std::string{'\0', c};
    return bytes;
}

// A document whose elements nest levels deep, the Install characteristic among them; cut
// short after the deepest, unless ended.
static std::string Deep(int levels, bool ended = true)
{
    std::string document = "<wap-provisioningdoc><characteristic type=\"Install\"/>";
    for (int i = 1; i < levels; i++)
        document += "<c>";
    for (int i = 1; i < levels && ended; i++)
        document += "</c>";
    return document + (ended ? "</wap-provisioningdoc>" : "");
}

// The check's own rules, ahead of either parser: each document gets one verdict for one
// reason on every build, within five seconds. An empty reason: the document is read.
TEST(SetupDocument, OneAnswerOnEveryBuildByTheCheckOwnRules)
{
    const std::string ok = Document({"AppName=A"}), declared = "<?xml version=\"1.0\" encoding=";
    const std::string comment = "<!--" + std::string(kXmlDocumentMost - ok.size() - 8, 'x') + " -->";
    std::string files;  // as many files as a large package lists
    for (int i = 0; i < 1000; i++)
        files += "<characteristic type=\"f" + std::to_string(i) + ".dll\"><parm name=\"Source\" value=\"F.001\"/></characteristic>\r\n";
    const struct { std::string document; const char *why; } cases[] = {
        {ok, ""},
        {"\r\n " + ok, ""},  // Wine's XmlLite reads nothing of it, given as it is
        {Utf16(declared + "\"UTF-16\"?>" + Document({"AppName=A"}, "<d>\r\n" + files) + "</d>"), ""},
        {"\xEF\xBB\xBF" + declared + "'utf-8' standalone='yes'?>\r\n<!-- c --><?tool x?>" + ok + "\r\n\t ", ""},
        {Utf16(declared + "\"UTF-16\"?>" + ok), ""},
        {comment + ok, ""},
        {comment + " " + ok, "larger than 256 KiB"},
        {Deep(desktop::kXmlDepthMost), ""},
        {Deep(desktop::kXmlDepthMost + 1), "more than 256 deep"},
        {Deep(50000, false), "more than 256 deep"},
        {"<!DOCTYPE wap-provisioningdoc>" + ok, "has a DOCTYPE"},
        {"<!DOCTYPE d [<!ENTITY n \"A\">]>" + Document({"AppName=&n;"}), "has a DOCTYPE"},
        {"<!DOCTYPE a", "has a DOCTYPE"},
        {Utf16(ok, false), "an encoding that the check does not read"},
        {Utf16(ok, false, false), "an encoding that the check does not read"},
        {Utf16(ok, true, false), "an encoding that the check does not read"},
        {declared + "\"ISO-8859-1\"?>" + Document({"AppName=\xE9"}), "\"ISO-8859-1\", which the check does not read"},
        {declared + "\"US-ASCII\"?>" + ok, "\"US-ASCII\", which the check does not read"},
        {Utf16(declared + "\"UTF-16LE\"?>" + ok), "\"UTF-16LE\", which the check does not read"},
        {declared + "\"UTF-16\"?>" + ok, "\"UTF-16\", which its bytes contradict"},
        {Utf16(declared + "\"utf-8\"?>" + ok), "\"utf-8\", which its bytes contradict"},
        {Document({"AppName=\xC3\xA9\xE9"}), "not UTF-8"},
        {Document({"AppName=\xC0\xAF"}), "not UTF-8"},
        {Document({"AppName=\xED\xA0\x80"}), "not UTF-8"},
        {Utf16(ok) + std::string("\x00\xD8", 2), "not UTF-16LE"},
        {Utf16(ok) + " ", "not UTF-16LE"},
        {"<a b=\"1\" b=\"2\"/>", "the attribute \"b\" twice"},
        {"<a xb=\"1\" xb=\"2\"/>", "the attribute \"xb\" twice"},
        {"<p:x/>", "uses XML namespaces"},
        {"<a xml:lang=\"en\"/>", "uses XML namespaces"},
        {"<a xmlns:xml=\"urn:other\"/>", "uses XML namespaces"},
        {"<a xmlns:p=\"\"/>", "uses XML namespaces"},
        {"<a xmlns:p=\"u\" xmlns:q=\"u\" p:b=\"1\" q:b=\"2\"/>", "uses XML namespaces"},
        {"<a xmlns=\"urn:x\"/>", "uses XML namespaces"},
        {"<a><b xmlns=\"\"/></a>", "uses XML namespaces"},
        {"<wap-provisioningdoc xmlnsx=\"1\" xmln=\"2\"/>", ""},
        {"<a></a:b>", "uses XML namespaces"},
        {ok + std::string(1, '\0'), "more than white space after its root element"},
        {ok + "<!-- -->", "more than white space after its root element"},
        {Document({"AppName=\x01"}), "U+0001, a character that XML does not allow"},
        {Document({"AppName=\xEF\xBF\xBE"}), "U+FFFE, a character that XML does not allow"},
        {Document({"AppName=&#1;"}), "a reference to a character that XML does not allow"},
        {Document({"AppName=&#xD800;"}), "a reference to a character that XML does not allow"},
        {Document({"AppName=&#X41;"}), "a character reference that is not one"},
        {Document({"AppName=&#99999999999999;"}), "a character reference that is not one"},
        {Document({"AppName=&n;"}), "an entity that it does not define"},
        {Document({"AppName=\xF0\x9F\x93\xA6"}), "a character past U+FFFF in an attribute value"},
        {Document({"AppName=&#x1F4E6;"}), "a character past U+FFFF in an attribute value"},
        {"<\xC3\xA9/>", "a name that is not plain ASCII"},
        {"<a:b:c/>", "uses XML namespaces"},
        {"<:a/>", "a name that is not plain ASCII"},
        {"<-a/>", "a name that is not plain ASCII"},
        {"<a><!--x", "a comment that does not end"},
        {"<a><!-- x --->", "\"--\" inside a comment"},
        {"<a><![CDATA[x", "a CDATA section that does not end"},
        {"<a>]]></a>", "\"]]>\" in text"},
        {"<a>&#", "a reference that does not end"},
        {"<a>&amp", "a reference that does not end"},
        {"<a><?pi x", "a processing instruction that does not end"},
        {"<a><?x:y z?></a>", "uses XML namespaces"},
        {"<a><?xml version=\"1.0\"?></a>", "an XML declaration that is not at its start"},
        {" <?xml version=\"1.0\"?>" + ok, "an XML declaration that is not at its start"},
        {"<?xml version=\"2.0\"?>" + ok, "without version 1.0"},
        {"<?xml version=\"1.0\"" + ok, "an XML declaration that does not end as one"},
        {"<a b=\"x", "an attribute value that does not end"},
        {"<a b=\"<\"/>", "a \"<\" in an attribute value"},
        {"<a b=\"1\"c=\"2\"/>", "a tag that does not end as one"},
        {"<a", "a tag that does not end"},
        {"<a>", "an element that does not end"},
        {"<a></b>", "an end tag that does not match its start tag"},
        {"<a><!ENTITY x \"y\"></a>", "a declaration inside an element"},
        {"", "no root element"},
        {"<?xml version=\"1.0\"?>", "no root element"},  // Wine's XmlLite fails an assertion on these
        {"\xEF\xBB\xBF", "no root element"},
        {"x" + ok, "text before the root element"},
    };
    for (size_t i = 0; i < std::size(cases); i++) {
        SetupInfo info;
        std::string why;
        bool read = WithinFiveSeconds("setup document", i, [&] { return ReadSetupDocument(cases[i].document, &info, &why); });
        EXPECT_EQ(read, cases[i].why[0] == '\0') << "row " << i << ": " << why;
        EXPECT_NE(why.find(cases[i].why), std::string::npos) << "row " << i << ": " << why;
    }
}
