// The setup that "_setup.xml" gives: the parms of its Install characteristic, turned into
// the same facts as a ".000" gives. A parm that is missing sets no bound.
#include "setup_xml.h"

#include <algorithm>
#include <map>

#include "contents_xml.h"
#include "text.h"
#include "xml_rules.h"

namespace check {

namespace {

// A whole number of decimal digits, at most 0xFFFFFFFF, with a minus for a signed one.
bool Whole(const std::string &text, bool maySign, unsigned long *value)
{
    bool negative = maySign && !text.empty() && text[0] == '-';
    std::optional<unsigned long> number = WholeNumber(text.substr(negative ? 1 : 0));
    if (!number || (negative && *number > 0x80000000ul))
        return false;
    // A negative build is the same 32 bits as the .000 stores: -536870912 is 0xE0000000, and
    // -0 is 0 (in 32 bits, as on Windows, where a long has no more).
    *value = static_cast<unsigned long>((negative ? 0x100000000ull - *number : *number) & 0xFFFFFFFFull);
    return true;
}

bool IsTabOrLineEnd(char c) { return c == '\t' || c == '\r' || c == '\n'; }

// "4.20": major 4, minor 20, as the .000 stores them; a lone major has minor 0.
bool VersionOf(const std::string &text, Version *version)
{
    size_t dot = text.find('.');
    unsigned long minor = 0;
    return Whole(text.substr(0, dot), false, &version->major)
        && (dot == std::string::npos || Whole(text.substr(dot + 1), false, &minor))
        && ((version->minor = minor), true);
}

std::string Attribute(const desktop::XmlElement &element, const std::string &name)
{
    for (const auto &[key, value] : element.attributes) {
        if (key == name)
            return value;
    }
    return "";
}

// The parms directly inside the first Install characteristic, by name: the first of each.
bool InstallParms(const std::vector<desktop::XmlElement> &elements, std::map<std::string, std::string> *parms)
{
    for (size_t i = 0; i < elements.size(); i++) {
        if (elements[i].name != "characteristic" || Attribute(elements[i], "type") != "Install")
            continue;
        for (size_t j = i + 1; j < elements.size() && elements[j].depth > elements[i].depth; j++) {
            if (elements[j].depth == elements[i].depth + 1 && elements[j].name == "parm")
                parms->emplace(Attribute(elements[j], "name"), Attribute(elements[j], "value"));
        }
        return true;
    }
    return false;
}

}  // namespace

bool SetupFromDocument(const std::vector<desktop::XmlElement> &elements, SetupInfo *info, std::string *why)
{
    std::map<std::string, std::string> parms;
    info->utf8 = true;
    info->unsupportedJoined = true;
    if (!InstallParms(elements, &parms)) {
        // One that only configures the device (adds certificates, say) installs no files.
        info->configuration = IsProvisioningDocument(elements);
        if (!info->configuration)
            *why = "its _setup.xml is not a provisioning document (wap-provisioningdoc)";
        return info->configuration;
    }
    for (const auto &[name, value] : parms) {
        bool taken = true;
        if (name == "ProcessorType")
            taken = Whole(value, false, &info->processor);
        else if (name == "OSVersionMin")
            taken = VersionOf(value, &info->osMin);
        else if (name == "OSVersionMax")
            taken = VersionOf(value, &info->osMax);
        else if (name == "BuildNumberMin")
            taken = Whole(value, true, &info->buildMin);
        else if (name == "BuildNumberMax")
            taken = Whole(value, true, &info->buildMax);
        else if (name == "AppName")
            info->app = value;  // the provider and the application, joined
        else if (name == "UnsupportedPlatforms")
            info->unsupported.assign(value.empty() ? 0 : 1, value);
        else if (name == "SetupDLL")
            taken = (value == "0" || value == "1") && ((info->setupDll = value == "1"), true);
        if (!taken) {
            *why = "its _setup.xml gives " + name + " as \"" + value + "\", which is not what that parm takes";
            return false;
        }
    }
    return true;
}

bool ReadSetupDocument(const std::string &bytes, SetupInfo *info, std::string *why)
{
    std::vector<desktop::XmlElement> elements;
    std::string plain;
    *why = XmlRuleBroken(bytes, &plain);
    if (!why->empty())
        return false;
    if (desktop::ReadXml(plain, &elements) != kOk) {
        *why = "its _setup.xml is not well-formed XML";
        return false;
    }
    // Wine's XmlLite makes a space of a TAB, CR or LF given by reference too, where expat keeps it.
    for (desktop::XmlElement &element : elements) {
        for (auto &attribute : element.attributes)
            std::replace_if(attribute.second.begin(), attribute.second.end(), IsTabOrLineEnd, ' ');
    }
    return SetupFromDocument(elements, info, why) && ContentsFromDocument(elements, &info->contents, why);
}

}  // namespace check
