// The contents that "_setup.xml" gives (ce-package-contents.md, "_setup.xml"): folders under
// FileOperation, each holding files to extract from members and shortcuts; keys under
// Registry, each holding values; every other top-level characteristic only configures.
#include "contents_xml.h"

namespace check {

namespace {

using desktop::XmlElement;

// The Extract parms that set a file's flags, each the .000's bit of the same meaning.
const std::pair<const char *, unsigned long> kFlagParms[] = {
    {"Shared", kFileShared}, {"NoDateCheck", kFileAlwaysOverwrite}, {"NoOverwriteIfNewer", kFileKeepNewer},
    {"NoOverwrite", kFileNeverOverwrite}, {"SelfRegister", kFileSelfRegister}, {"WarnIfSkip", kFileWarnIfSkipped},
};
const std::pair<const char *, RegistryType> kDatatypes[] = {
    {"string", RegistryType::kString}, {"integer", RegistryType::kDword},
    {"multiplestring", RegistryType::kMultiString}, {"binary", RegistryType::kBinary},
};

class Reader {
public:
    Reader(const std::vector<XmlElement> &elements, Contents &contents) : elements_(elements), contents_(contents) {}

    bool Read()
    {
        std::vector<size_t> files, keys;
        for (size_t top : Children(0, "characteristic")) {
            const std::string type = Attribute(top, "type");
            if (type == "Install")
                InstallDir(top);
            else if (type == "FileOperation")
                files.push_back(top);
            else if (type == "Registry")
                keys.push_back(top);
            else
                contents_.configures.push_back(FromUtf8(type));
        }
        if (contents_.installDir && !Bounded(*contents_.installDir))
            return false;
        for (size_t operation : files) {
            for (size_t folder : Children(operation, "characteristic")) {
                if (!Folder(folder))
                    return false;
            }
        }
        for (size_t registry : keys) {
            for (size_t key : Children(registry, "characteristic")) {
                if (!Key(key))
                    return false;
            }
        }
        return true;
    }
    std::string why;

private:
    std::vector<size_t> Children(size_t parent, const char *name) const
    {
        std::vector<size_t> children;
        for (size_t i = parent + 1; i < elements_.size() && elements_[i].depth > elements_[parent].depth; i++) {
            if (elements_[i].depth == elements_[parent].depth + 1 && elements_[i].name == name)
                children.push_back(i);
        }
        return children;
    }

    std::string Attribute(size_t element, const std::string &name) const
    {
        for (const auto &[key, value] : elements_[element].attributes) {
            if (key == name)
                return value;
        }
        return "";
    }

    // The first parm of that name directly inside the element.
    std::optional<std::string> Parm(size_t element, const std::string &name) const
    {
        for (size_t parm : Children(element, "parm")) {
            if (Attribute(parm, "name") == name)
                return Attribute(parm, "value");
        }
        return std::nullopt;
    }

    bool Bounded(const Text &text)
    {
        if (text.size() <= kTextMost)
            return true;
        why = BoundSentence(SetupBound::kTooLong);
        return false;
    }

    void InstallDir(size_t install)
    {
        std::optional<std::string> folder = Parm(install, "InstallDir");
        if (folder)
            contents_.installDir = WholePath(FromUtf8(*folder), std::nullopt);
    }

    // A destination folder: files to extract into it, and shortcuts (MakeDir holds neither).
    // A whole path holds its folder and its name, so bounding it bounds them.
    bool Folder(size_t folder)
    {
        const Text path = WholePath(FromUtf8(Attribute(folder, "type")), contents_.installDir);
        for (size_t item : Children(folder, "characteristic")) {
            const Text whole = JoinPath(path, FromUtf8(Attribute(item, "type")));
            for (size_t action : Children(item, "characteristic")) {
                const std::string kind = Attribute(action, "type");
                if (kind == "Extract" && Bounded(whole))
                    contents_.files.push_back(File(action, whole));
                else if (kind == "Shortcut" && Bounded(whole))
                    contents_.shortcuts.push_back({whole, Target(action)});
                if (!why.empty() || (kind == "Shortcut" && !Bounded(contents_.shortcuts.back().target)))
                    return false;
            }
        }
        return true;
    }

    InstalledFile File(size_t extract, const Text &path) const
    {
        InstalledFile file;
        file.path = path;
        file.source = Parm(extract, "Source").value_or("");
        for (const auto &[parm, bit] : kFlagParms) {
            std::optional<std::string> set = Parm(extract, parm);
            if (set && *set != "0")
                file.flags |= bit;
        }
        return file;
    }

    Text Target(size_t shortcut) const
    {
        return WholePath(FromUtf8(Parm(shortcut, "Source").value_or("")), contents_.installDir);
    }

    bool Key(size_t key)
    {
        RegistryValue value;
        value.key = FromUtf8(Attribute(key, "type"));
        for (size_t parm : Children(key, "parm")) {
            std::string datatype = Attribute(parm, "datatype");
            value.name = FromUtf8(Attribute(parm, "name"));
            value.type = RegistryType::kString;  // the datatype a parm without one has
            bool known = datatype.empty();
            for (const auto &[name, type] : kDatatypes) {
                if (datatype == name)
                    known = true, value.type = type;
            }
            if (!known) {
                why = "its _setup.xml gives a registry value a datatype that the installer does not take";
                return false;
            }
            if (!Bounded(value.key) || !Bounded(value.name))
                return false;
            contents_.registry.push_back(value);
        }
        return true;
    }

    const std::vector<XmlElement> &elements_;
    Contents &contents_;
};

}  // namespace

bool IsProvisioningDocument(const std::vector<XmlElement> &elements)
{
    return !elements.empty() && elements[0].name == "wap-provisioningdoc";
}

bool ContentsFromDocument(const std::vector<XmlElement> &elements, Contents *contents, std::string *why)
{
    if (elements.empty())
        return true;
    Reader reader(elements, *contents);
    if (reader.Read())
        return true;
    *why = reader.why;
    return false;
}

}  // namespace check
