#!/usr/bin/env python3
"""Plants typical faults in the product one at a time and runs the tests that should catch
each: every fault must make them fail. The source is restored after each, whatever happens.
Usage: plant_faults.py [NAME_PART...] (only the faults whose name holds one of them).
Needs the host, windows and device presets configured (scripts/test does that)."""
import re
import subprocess
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
# The project's version, read here so that this file does not write it a second time.
VERSION = re.search(r"project\(cabbatch VERSION ([0-9.]+)", (ROOT / "CMakeLists.txt").read_text()).group(1)

# (name, text, replacement, preset whose tests must catch it); the text must stand exactly
# once in the product sources (resources included), the build files (cmake/) or the scripts
# (scripts/: the emulated device and the dry run), wherever a change has moved it.
FAULTS = [
    ("line capacity +1", "kMaxEntryLength = kLineCapacity - 2", "kMaxEntryLength = kLineCapacity - 1", "host"),
    ("arguments capacity +1", "kArgumentsCapacity = 128", "kArgumentsCapacity = 129", "host"),
    ("list path capacity +1", "kListPathCapacity = 128", "kListPathCapacity = 129", "host"),
    ("module path capacity +1", "length >= kModulePathCapacity", "length > kModulePathCapacity", "host"),
    ("bounded append +1", "textLength >= capacity - *length", "textLength > capacity - *length", "host"),
    ("missing wait", "    PlatformWaitForProcess(started.process);\n", "", "host"),
    ("leaked thread handle", "    PlatformCloseHandle(started.thread);\n", "", "host"),
    ("list not deleted", "    PlatformDeleteFile(listPath);\n", "", "host"),
    ("UTF-16 mark ignored", "list->encoding = kListUtf16;", "list->encoding = kListBytes;", "host"),
    ("UTF-8 mark kept", "list->next = 3;", "list->next = 0;", "host"),
    ("CR of CR LF kept", "unit == '\\n' && previous == '\\r'", "0", "host"),
    ("NUL line kept", "? kLineNul : kLineEntry", "? kLineEntry : kLineEntry", "host"),
    ("blank CR line installed", " || *entry == L'\\r'", "", "host"),
    ("two-byte overlong bound", "least = 0x80,", "least = 0x0,", "host"),
    ("three-byte overlong bound", "least = 0x800,", "least = 0x80,", "host"),
    ("four-byte overlong bound", "least = 0x10000,", "least = 0x800,", "host"),
    ("surrogates accepted", "\n        || (*codePoint >= 0xD800 && *codePoint <= 0xDFFF)", "", "host"),
    ("U+10FFFF ceiling dropped", "*codePoint > 0x10FFFF", "*codePoint > 0x1FFFFF", "host"),
    ("no ANSI fallback", "decoded == kDoesNotFit\n            || (decoded == kNotUtf8",
     "decoded != kDecoded\n            || (decoded == kNotUtf8", "host"),
    ("check: names match by case", "listing.names.equal_range(desktop::FoldCase(part))",
     "listing.names.equal_range(part)", "host"),
    ("check: Unicode's case, not Windows'", "return wchar_t(kTable[static_cast<unsigned short>(unit & 0xFFFF)]);",
     "return unit == 0x131 ? L'I' : wchar_t(kTable[static_cast<unsigned short>(unit & 0xFFFF)]);", "windows"),
    ("check: read-only missed", "facts.readOnly = (status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;",
     "facts.readOnly = false;", "host"),
    ("check: duplicates by case", "firstLineOf_.Note(desktop::FoldCase(line.packageEntry),",
     "firstLineOf_.Note(line.packageEntry,", "host"),
    ("check: read-only list passes", "    else if (list.file.facts.readOnly)\n        notes.push_back(Warning::kListReadOnly);\n",
     "", "host"),
    ("check: a lost report exits 0", "failed_ = desktop::Write(false, pending_, &why_) != kOk;",
     "desktop::Write(false, pending_, &why_);", "host"),
    ("check: a FIFO list is read", ": S_ISDIR(status.st_mode) ? Kind::kDirectory : Kind::kOther;",
     ": S_ISDIR(status.st_mode) ? Kind::kDirectory : Kind::kFile;", "host"),
    ("check: C1 controls reach the terminal", "return c < 0x20 || (c >= 0x7F && c <= 0x9F)",
     "return c < 0x20 || c == 0x7F", "host"),
    ("check: a literal escape looks like a real one", "out += \"<<\";", "out += \"<\";", "host"),
    ("check: lone surrogates look alike", "else if (lone || TerminalActsOn(c))",
     "else if (TerminalActsOn(c))", "host"),
    ("check: unpaired surrogate in the JSON", "AppendUtf8(out, lone ? 0xFFFD : c);\n        }\n    });\n    out += '\"';",
     "AppendUtf8(out, c);\n        }\n    });\n    out += '\"';", "host"),
    ("check: a quote in the device folder", "Text(L\"\\\"*?<>|/\")", "Text(L\"*?<>|/\")", "host"),
    ("check: a flag takes a value", "if (option->value == nullptr && inlineValue)", "if (false && inlineValue)", "host"),
    ("check: --=x acts as --", "if (name == \"--\" && !inlineValue)", "if (name == \"--\")", "host"),
    ("check: two lists for one version", "if (SameVersionBeside(lists, i))", "if (false)", "host"),
    ("check: odd length unsaid", "BytesRead(handle) % 2 == 1", "BytesRead(handle) % 2 == 2", "host"),
    ("check: a read error exits 1", "Fail(\"reading the list \"", "(void)(\"reading the list \"", "host"),
    ("check: an unreadable subfolder exits 1", "    if (lookup.result == Lookup::kUnreadable)\n        Fail(lookup.failure);\n", "", "host"),
    # Wine takes long paths without the prefix, so its form is proven by its own table.
    ("check: no extended-length form", r'return StartsWithDrive(path) ? L"\\\\?\\" + path : path;', "return path;", "host"),
    ("win32 check: a lost report exits 0", "*why = Reason(done ? ERROR_WRITE_FAULT : GetLastError());\n            return kFailed;",
     "break;", "windows"),
    ("win32 check: a FIFO package stops the check", "return barred ? Kind::kUnreadable : Kind::kOther;",
     "return Kind::kUnreadable;", "windows"),
    ("check: a NUL taken for a trail byte", " && bytes[i + 1] != 0", "", "windows"),
    ("package: not ARM refused", "if (info.processor != 0 && !IsArmProcessor(info.processor))", "if (false)", "host"),
    ("package: lowest OS version", "(low && Below(device, info.osMin))", "(low && false)", "host"),
    ("package: highest OS version", "(high && Below(info.osMax, device))", "(high && false)", "host"),
    ("package: minor version ignored", "return a.major != b.major ? a.major < b.major : a.minor < b.minor;",
     "return a.major < b.major;", "host"),
    ("package: other ARM type taken", "if (processor && info.processor != 0 && info.processor != *processor)",
     "if (false)", "host"),
    ("package: display flags as a build", "info.buildMax <= 0x9FFFFFFFul", "info.buildMax <= 0xFFFFFFFFul", "host"),
    ("package: lowest build ignored", "bool low = info.buildMin > 0,", "bool low = false,", "host"),
    ("package: a document that is not valid taken", "own ? Installs::kNo : Installs::kMaybe",
     "own ? Installs::kNo : Installs::kYes", "host"),
    ("package: the empty unsupported list at a nonzero offset refused", "    if (length == 0)\n        return offset <= limit;",
     "    if (offset == 0 && length == 0)\n        return true;", "host"),
    ("document: a parm ignored", "taken = VersionOf(value, &info->osMax);", "taken = true;", "host"),
    ("document: a signed BuildNumberMax read as unsigned", "taken = Whole(value, true, &info->buildMax);",
     "taken = Whole(value, false, &info->buildMax);", "host"),
    ("document: a negative build past 32 bits", " : *number) & 0xFFFFFFFFull);", " : *number));", "host"),
    ("document: a disagreement not warned", "    if (!facts.disagreements.empty())\n        line.warnings.push_back(Warning::kSetupDisagrees);\n",
     "", "host"),
    ("document: the entity expansion bound removed",
     "    XML_SetBillionLaughsAttackProtectionActivationThreshold(parser, kXmlExpansionMost);\n"
     "    XML_SetBillionLaughsAttackProtectionMaximumAmplification(parser, 2.0f);\n", "", "host"),
    ("document: external entities allowed", "    XML_SetExternalEntityRefHandler(parser, ExternalEntity);\n", "", "host"),
    ("document: expat's depth bound removed", "if (reading->depth >= kXmlDepthMost)", "if (false)", "host"),
    ("document: over 256 KiB parsed", "if (bytes.size() > kXmlDocumentMost)", "if (false)", "host"),
    ("document: an encoding other than UTF-8 or UTF-16LE read", "return Encoding::kOther;", "return Encoding::kUtf8;", "host"),
    ("document: any declared encoding taken", "if (SameLetters(name, own))", "if (true)", "host"),
    ("document: a DOCTYPE read", "if (At(\"<!DOCTYPE\"))", "if (false)", "host"),
    ("document: nesting past 256 read", "if (open_.size() >= size_t(desktop::kXmlDepthMost))", "if (false)", "host"),
    ("document: a duplicate attribute taken", "if (!given.insert(attribute).second)", "if (false)", "host"),
    ("document: more than white space after the root taken", "return at_ < text_.size() ? ", "return false ? ", "host"),
    ("document: a character XML does not allow taken", "if (!IsXmlCharacter(c)) {", "if (false) {", "host"),
    ("document: a name other than plain ASCII taken", "return plain || Fail(", "return true || Fail(", "host"),
    ("document: a character past U+FFFF in a value taken", "if (lead >= 0xF0 && lead <= 0xF4)", "if (false)", "host"),
    ("document: a TAB in a value kept",
     "std::replace_if(attribute.second.begin(), attribute.second.end(), IsTabOrLineEnd, ' ');", "(void)attribute;", "host"),
    ("document: the parsers given the document as it is", "desktop::ReadXml(plain, &elements)",
     "desktop::ReadXml(bytes, &elements)", "windows"),
    ("xmllite: a read that makes no progress taken", "\n            || here == last)", ")", "windows"),
    ("xmllite: depth counted as Windows documents it", "XmlReaderProperty_MaxElementDepth, kXmlDepthMost + 1",
     "XmlReaderProperty_MaxElementDepth, kXmlDepthMost", "windows"),
    ("xmllite: a DTD parsed", "DtdProcessing_Prohibit", "DtdProcessing_Parse", "windows"),
    ("package: a repeated package taken", "if (line.sameAs != 0)", "if (false)", "host"),
    ("package: signature not looked at", "records.signature = count >= 4 && std::memcmp(header + kCabinetSignature, \"MSCF\", 4) == 0;",
     "records.signature = count >= 4;", "host"),
    ("package: library failure ignored", "records.fault == CabinetFault::kNone && !readThrough ?", "false ?", "host"),
    ("package: setup DLL missed", "[](const std::string &name) { return EndsWith(name, \".999\"); }",
     "[](const std::string &) { return false; }", "host"),
    ("bounds: a string one past the end", "if (offset + length > limit || ", "if (offset + length > limit + 1 || ", "host"),
    ("bounds: the length field trusted", "limit >= kSetupHeaderSize && limit <= count &&", "limit >= kSetupHeaderSize &&", "host"),
    ("bounds: section offsets unchecked", "if (offset > limit || (entries != 0 && offset >= limit))", "if (false)", "host"),
    ("bounds: folder records past the bytes", "if (bytes(at, sizeof record, record) < sizeof record)",
     "if (bytes(at, sizeof record, record) < 1)", "host"),
    ("bounds: a data block's end past the file", "if (bytes(at - 1, 1, &last) < 1)", "if (false)", "host"),
    ("bounds: the data blocks' reserve ignored", "at += kDataHeaderSize + records.dataReserve + ", "at += kDataHeaderSize + ", "host"),
    ("cabinet: a version other than 1.3 read", "if (records.versionMajor != kFormatMajor || records.versionMinor != kFormatMinor)",
     "if (false)", "host"),
    ("cabinet: a name of 256 bytes read", "record[kFileName + kFileNameMost + 1]", "record[kFileName + kFileNameMost + 2]", "host"),
    ("cabinet: an empty name read", "        if (length == 0)\n            return CabinetFault::kNameEmpty;\n", "", "host"),
    ("cabinet: a folder index one past the last read", "if (member.folder >= records.folders.size())",
     "if (member.folder > records.folders.size())", "host"),
    ("cabinet: members sharing data read", "filled[i].offset < filled[i - 1].End()", "filled[i].offset < filled[i - 1].offset",
     "host"),
    ("cabinet: a member a byte past its folder read", "if (member.End() > sizes[member.folder])",
     "if (member.End() > sizes[member.folder] + 1)", "host"),
    ("cabinet: members out of order read", "sameFolder ? member.offset < members[i - 1].End()", "sameFolder ? false", "host"),
    ("cabinet: folders over the same blocks walked and read", "        if (folder.dataAt < walked)\n            return CabinetFault::kSharedBlocks;\n",
     "", "host"),
    ("cabinet: Quantum read", "records.fault = CabinetFault::kQuantum;", "records.fault = CabinetFault::kNone;", "host"),
    ("cabinet: a cabinet of no members given to the library", "if (records.fault == CabinetFault::kNone && !records.members.empty())",
     "if (records.fault == CabinetFault::kNone)", "host"),
    ("cabinet: a cabinet with a fault given to the library too", "if (records.fault == CabinetFault::kNone && !records.members.empty())",
     "if (!records.members.empty())", "host"),
    ("cabinet: an unread cabinet refused", "if (facts.cabinet == CabinetState::kUnread && facts.setup != SetupForm::kNone)",
     "if (false)", "host"),
    ("mspack: only the setup member read", "keep ? kKeep : kDiscard) == MSPACK_ERR_OK;", "keep ? kKeep : kDiscard) == MSPACK_ERR_OK || !keep;", "host"),
    ("fdi: members skipped", "return kDiscardSink;  // unpacked all the same", "return 0;  // unpacked all the same", "windows"),
    ("wording: no near match", "size_t best = std::min<size_t>(3, (stem + 1) / 2);", "size_t best = 0;", "host"),
    ("wording: near matches too loose", "size_t best = std::min<size_t>(3, (stem + 1) / 2);", "size_t best = 3;", "host"),
    ("wording: blank lines counted as skipped", "(line.reason == Reason::kBlank ? blank : skipped)++;",
     "skipped++;", "host"),
    ("wording: a repeated package counted as refused", "kInWarnings, true, kNone, Start::kRepeated,",
     "kInWarnings, true, kNone, kNone,", "host"),
    ("wording: the switches left out of the limit", "wcslen(kInstallerSwitches) + line.packagePath.size() + 2",
     "line.packagePath.size() + 2", "host"),
    ("wording: the default labelled as given", "options.deviceDirGiven ? \" (--device-dir)\"", "true ? \" (--device-dir)\"", "host"),
    ("wording: the footnote without installs", "if (totals.installs > 0)", "if (true)", "host"),
    ("program: any ARM program for the device", "return (machine == kArm || machine == kThumb) && subsystem == kWindowsCeGui;",
     "return machine == kArm || machine == kThumb;", "host"),
    ("program: no program for the device passes", "{Warning::kNoDeviceProgram, \"no-device-program\", kFolder, kFailure,",
     "{Warning::kNoDeviceProgram, \"no-device-program\", kFolder, kNote,", "host"),
    ("count: a count left out of the sum", "    }\n    fail++;\n}", "    }\n}", "host"),
    ("duplicate: one reached by a leading backslash not flagged", "    if (line.found) {\n        int &used",
     "    if (false) {\n        int &used", "host"),
    ("near miss: a list name nearly right not hinted", "misses.push_back({text, why});", "(void)why;", "host"),
    ("exit: a setup DLL sets exit 1 without --strict", "{Warning::kSetupDll, \"setup-dll\", kLine, kNote,",
     "{Warning::kSetupDll, \"setup-dll\", kLine, kFailure,", "host"),
    ("ready: true with a missing package", "{Warning::kNotFound, \"not-found\", kLine, kFailure,",
     "{Warning::kNotFound, \"not-found\", kLine, kNote,", "host"),
    ("json: not-found left out", "for (size_t i = 0; i < line.warnings.size(); i++)\n        out.append(i ? \", \\\"\" : \"\\\"\")",
     "for (size_t i = line.found ? 0 : 1, n = 0; i < line.warnings.size(); i++, n++)\n        out.append(n ? \", \\\"\" : \"\\\"\")", "host"),
    ("escape: a package's reason reaches the terminal raw", "out += ShownBytes(piece.bytes);",
     "out += piece.kind == Kind::kReason ? piece.bytes : ShownBytes(piece.bytes);", "host"),
    ("json: a near miss's reason escaped for a terminal", "return \"\\\"\" + ToUtf8(part) + \"\\\"\";",
     "return Quoted(part);", "host"),
    ("plain: the read-only note dropped", "if (warning != Warning::kListUnnamable)  // told before its lines",
     "if (warning != Warning::kListUnnamable && warning != Warning::kListReadOnly)", "host"),
    ("list: UTF-16 without its mark unsaid", "if (HasUtf16WithoutMark(list.file.path))", "if (false)", "host"),
    ("hint: only in the entry's own folder", "        if (!inFolder(same->second[i]))", "        if (false)", "host"),
    ("hint: the card's own folder not named", "if (rest && folder_.Find(*rest).result == Lookup::kFound) {",
     "if (false) {", "host"),
    ("hint: another folder before the entry's own", "auto rank = std::make_tuple(distance, !inFolder(file), file);",
     "auto rank = std::make_tuple(distance, false, file);", "host"),
    ("hint: the index misses two removals", "for (size_t j = i + 1; two && j < n; j++) {",
     "for (size_t j = i + 1; false && j < n; j++) {", "host"),
    ("walk: links followed", "        if (facts.link)\n            continue;", "", "host"),
    ("walk: a folder too deep", "depth < CardWalk::kDeepest", "depth <= CardWalk::kDeepest", "host"),
    ("walk: a name past the bound", "++walkedNames_ > CardWalk::kMostNames", "++walkedNames_ > CardWalk::kMostNames + 1",
     "host"),
    ("unlisted: the other versions' lists unread", "        checker.NoteNamed(list);\n", "        (void)list;\n", "host"),
    ("unlisted: never told", "if (!lists.empty() || !others.empty())", "if (false)", "host"),
    ("quote: the path past the quote", "view.package = entry.substr(0, quote);", "view.package = entry;", "host"),
    ("quote: /delete 0 ignored", "if (words[i] == L\"/delete\" && words[i + 1] == L\"0\")",
     "if (words[i] == L\"/delete\" && words[i + 1] == L\"x\")", "host"),
    ("quote: counted as other", "{Warning::kQuote, \"quote\", kLine, kFailure, kInWarnings, true, kNone, kNone,",
     "{Warning::kQuote, \"quote\", kLine, kFailure, kInWarnings, true, kNone, Start::kOther,", "host"),
    ("trailing: the name without its dots and spaces not tried",
     "const Looked &held = trimmed.empty() ? looked : Look(trimmed, unkept_[1]);", "const Looked &held = looked;", "host"),
    ("trailing: counted as installing", "Warning::kNotFound, Start::kMaybe,", "Warning::kNotFound, kNone,", "host"),
    ("comment: not told", "if (LooksLikeComment(line.entry))", "if (false)", "host"),
    ("cause: a leading space unnamed", "        return Cause::kLeadingSpace;", "        return Cause::kNone;", "host"),
    ("unholdable: a control character taken", "if ((c & 0xFFFF) < 0x20 || kBarred.find(c) != Text::npos)",
     "if (kBarred.find(c) != Text::npos)", "host"),
    ("unholdable: counted as installing", "kInWarnings, true, kNone, Start::kNotFound,\n     \"an entry naming",
     "kInWarnings, true, kNone, kNone,\n     \"an entry naming", "host"),
    ("unholdable: a near-miss list name told twice",
     "std::none_of(totals.nearMisses.begin(), totals.nearMisses.end(), named)", "true", "host"),
    ("twins: not told", "{Warning::kCaseTwins, !totals.caseTwins.empty()}", "{Warning::kCaseTwins, false}", "host"),
    ("twins: a line reaching them unsaid", "lookup.twins = last;", "lookup.twins = false;", "host"),
    ("twins: the first in the host's order judged", "    std::sort(names.begin(), names.end());\n", "", "host"),
    ("not-a-file: a folder named as a package is missing",
     "else if (facts.kind != Kind::kMissing && last && lookup.result == Lookup::kMissing)",
     "else if (facts.kind == Kind::kOther && last && lookup.result == Lookup::kMissing)", "host"),
    ("unreadable: a file called a folder", "(file ? \"file \" : \"folder \")", "\"folder \"", "host"),
    ("first lines: two names' keys alike", "            bytes += char((unit >> 7) & 0x7F);\n", "", "host"),
    ("notes: the setup-DLL note on a refused package", "facts.setupDll && !refused)", "facts.setupDll)", "host"),
    ("code: more than 64 KiB of a member read", "constexpr size_t kMemberStartBytes = 1 << 16;",
     "constexpr size_t kMemberStartBytes = 1 << 17;", "host"),
    ("code: a header just past 64 KiB taken for none", "wanted > count && wanted <= size",
     "wanted > count + 1 && wanted <= size", "host"),
    ("code: the IL-only flag ignored", "(Long(start + at + kClrFlags) & kIlOnly) != 0 ? CodeKind::kDotnet",
     "true ? CodeKind::kDotnet", "host"),
    ("code: a foreign setup DLL taken", "if (!facts.setupDllCode || !IsForeign(*facts.setupDllCode))", "if (true)", "host"),
    ("fdi: a member's first bytes not handed over", "(*current->unpacked)(current->name, current->start, current->size);",
     "(void)current;", "windows"),
    ("contents: a member by the wrong number", "WholeNumber(name.substr(dot + 1))", "WholeNumber(name.substr(dot))", "host"),
    ("contents: %InstallDir% taken from the root", "(path[0] != L'\\\\' && !Unresolved(path))", "(path[0] != L'\\\\')",
     "host"),
    ("contents: the files of the two forms not compared",
     "if (std::optional<Disagreement> files = CompareFiles(a.contents, b.contents))",
     "if (std::optional<Disagreement> files = std::nullopt)", "host"),
    ("bounds: a section's entry one past the end", "if (limit_ - at - shape.head < length)",
     "if (limit_ - at - shape.head + 1 < length)", "host"),
    ("bounds: a text of 261 characters", "return text.size() <= kTextMost || Fail(", "return text.size() <= kTextMost + 1 || Fail(",
     "host"),
    ("bounds: setup information over 1 MiB", "bytes.size()) > kSetupMost;", "bytes.size()) > kSetupMost + 1;", "host"),
    ("notes: the notes of a refused package", "    if (!refused)\n        NoteContents(line, facts);",
     "    NoteContents(line, facts);", "host"),
    ("notes: foreign code unsaid", "{Warning::kForeignCode, !ForeignFiles(contents).empty()}",
     "{Warning::kForeignCode, false}", "host"),
    ("notes: .NET unsaid", "{Warning::kNeedsDotnet, HasDotnet(contents)}", "{Warning::kNeedsDotnet, false}", "host"),
    ("notes: StartUp not found", "const unsigned kStartUp = 4;", "const unsigned kStartUp = 3;", "host"),
    ("collisions: the first earlier writer named", "writers_[std::move(path)] = line;",
     "writers_.emplace(std::move(path), line);", "host"),
    ("collisions: never overwrite unsaid", "    if (flags & kFileNeverOverwrite)\n        return Keeps::kAlways;\n", "",
     "host"),
    ("collisions: paths compared by case", "Text folded = desktop::FoldCase(file.path);", "Text folded = file.path;", "host"),
    ("collisions: a refused package's bytes counted",
     "if ((start == Start::kInstall || start == Start::kMaybe) && line.package", "if ((true) && line.package", "host"),
    ("document: a configuration document not valid", "        return info->configuration;\n", "        return false;\n",
     "host"),
    ("platform: compared by case", "const Text platform = desktop::FoldCase(device.platform);",
     "const Text platform = device.platform;", "host"),
    ("platform: names run together split", "if (!split && folded.find(platform) != Text::npos)",
     "if (!split && folded == platform)", "host"),
    ("platform: the document's list ignored", "info->unsupported.assign(value.empty() ? 0 : 1, value);", "(void)value;",
     "host"),
    ("processors: a type without its own name", " + std::to_string(type) + \" (\" + processor->name + \")\";",
     " + std::to_string(type);", "host"),
    ("win32: no wait", "WaitForSingleObject(process, INFINITE);",
     "(void)process;", "windows"),
    ("win32: no deletion", "DeleteFileW(path);", "(void)path;", "windows"),
    ("win32: ANSI in the OEM code page", "(CP_ACP, 0, (LPCSTR)bytes", "(CP_OEMCP, 0, (LPCSTR)bytes", "windows"),
    ("program: an older cabbatch not told", "        program.older = IsOlderCabbatch(program);",
     "        program.older = false;", "host+device"),
    ("program: another product taken for cabbatch", "version && version->productName == FromUtf8(CABBATCH_PRODUCT_NAME)",
     "version", "host+device"),
    ("program: its version not shown", "std::string version = program.version ? \" \" + ProgramVersionText(*program.version) : \"\";",
     "std::string version;", "host+device"),
    ("device: an exit code other than 1", "    InstallSetupFiles();\n    return 1;",
     "    InstallSetupFiles();\n    return 2;", "device"),
    ("device: a start-up record passed", "NULL, NULL, NULL,\n                             &info);",
     "NULL, NULL, &info,\n                             &info);", "device"),
    ("device: a wait with a timeout", "WaitForSingleObject(process, INFINITE);",
     "WaitForSingleObject(process, 60000);", "device"),
    ("device: an unaligned read of a UTF-16 unit",
     "    int low = NextByte(list);\n    if (list->encoding != kListUtf16 || low < 0)",
     "    if (list->encoding == kListUtf16 && list->filled - list->next >= 2) {\n"
     "        int unit = *(const unsigned short *)(list->chunk + list->next);\n"
     "        list->next += 2;\n        return unit;\n    }\n"
     "    int low = NextByte(list);\n    if (list->encoding != kListUtf16 || low < 0)", "device"),
    ("device: an ARMv5 instruction", "as -march=armv4t", "as -march=armv5te", "device"),
    ("device: DYNAMIC_BASE left set", " --disable-dynamicbase", "", "device"),
    ("emulator: names folded as Python folds them", "return name.translate(UPPER_CASE)", "return name.upper()", "device"),
    ("emulator: case twins in the listing's order",
     "return sorted(twins, key=lambda child: (child.is_dir() != folder_wanted, child.name))", "return twins", "device"),
    ("emulator: /delete 0 not honoured", "        if keeps_package(switches):", "        if False:", "device"),
    ("emulator: a bound that ignores the list", "count=most)", "count=START_UP_INSTRUCTIONS)", "device"),
    ("emulator: a hostile image mapped as it asks",
     "if base % 0x10000 or not IMAGE_LOWEST <= base < base + size <= STUBS or stack > MOST_STACK:", "if False:", "device"),
    ("dry run: the device build whatever FOLDER holds",
     "found = ce_device.FileSystem(install).matches(install, PROGRAM_NAME)", "found = []", "device"),
    ("dry run: a program not for the device run", "    if not runs:\n        raise Refused",
     "    if False:\n        raise Refused", "device"),
    ("dry run: read-only files writable in the copy", "shutil.copy(path, target / relative / name)",
     "shutil.copyfile(path, target / relative / name)", "device"),
    ("dry run: a start without what it met", "with arguments [{shown(start[1])}]: {met}\")",
     "with arguments [{shown(start[1])}]\")", "device"),
    ("dry run: the card's remains unsaid", "        show_names(\"The card now holds\", remaining, install, root)\n",
     "", "device"),
    ("dry run: help cut short", "description=DESCRIPTION,", "description=DESCRIPTION.split(\"\\n\")[0],", "device"),
    ("device: a time stamp left in", " --no-insert-timestamp -s <LINK_FLAGS>", " -s <LINK_FLAGS>", "device"),
    ("windows: a time stamp left in", "  add_link_options(-Wl,--no-insert-timestamp)\n", "", "windows"),
    ("build: a build path in a program",
     "  add_compile_options(-ffile-prefix-map=${PROJECT_SOURCE_DIR}/=\n                      -ffile-prefix-map=${PROJECT_BINARY_DIR}/=)\n",
     "", "host"),
    ("version: written twice", '"@PROJECT_VERSION@"', f'"{VERSION}"', "host"),
    ("version: written twice in the resource", "FILEVERSION CABBATCH_VERSION_MAJOR, CABBATCH_VERSION_MINOR, CABBATCH_VERSION_PATCH, 0",
     "FILEVERSION " + VERSION.replace(".", ", ") + ", 0", "host"),
    ("resource: no product name", '            VALUE "ProductName", CABBATCH_PRODUCT_NAME\n', "", "windows"),
    ("linux: libmspack linked as a shared library", "NAMES libmspack.a", "NAMES mspack", "host"),
    ("program version: data one byte past its section", "size <= section.mapped - into", "size <= section.mapped - into + 1",
     "host"),
    ("program version: blocks not on 4-byte boundaries", "return std::min((offset + 3) & ~size_t(3), end);",
     "return std::min(offset, end);", "host"),
    ("program version: the fixed part's signature not looked at", " || Long(fixed) != kFixedSignature", "", "host"),
    ("program version: data taken for a folder", "if (((target & kSubdirectory) != 0) != subdirectory)", "if (false)",
     "host"),
    ("program version: past the reach asked for", "if (end <= fileSize_ && end > kProgramVersionReach)",
     "if (end <= fileSize_ && end > 2 * kProgramVersionReach)", "host"),
    ("program version: the resources asked for piece by piece", "            image.Hint(section.rawPointer + section.mapped);\n",
     "", "host"),
]


def tests_fail(preset, fresh=False):
    """True when the preset's build or its tests fail; fresh: configure it anew first, for a
    change in the build files. "host+device": the host's card check is built first, for the
    device preset's tests that run it."""
    if "+" in preset:
        first, last = preset.split("+")
        return tests_fail(first, fresh) or tests_fail(last, fresh)
    if fresh and subprocess.run(["cmake", "--preset", preset, "--fresh"], cwd=ROOT,
                                capture_output=True).returncode != 0:
        return True
    build = subprocess.run(["cmake", "--build", "--preset", preset, "-j2"], cwd=ROOT,
                           capture_output=True)
    if build.returncode != 0:
        return True
    return subprocess.run(["ctest", "--preset", preset], cwd=ROOT, capture_output=True).returncode != 0


def plant(name, text, replacement, preset):
    sources = [*sorted((ROOT / "src").rglob("*.[ch]*")), *sorted((ROOT / "src").rglob("*.rc")),
               *sorted((ROOT / "cmake").glob("*.cmake")), *sorted((ROOT / "cmake").glob("*.in")),
               *sorted(path for path in (ROOT / "scripts").iterdir()
                       if path.is_file() and path.name != Path(__file__).name)]
    places = [path for path in sources
              if "platform/test" not in path.as_posix() and text in path.read_text()]
    if len(places) != 1 or places[0].read_text().count(text) != 1:
        return f"MISPLACED {name}: the text to change does not stand exactly once in src/, cmake/ or scripts/"
    path = places[0]
    original = path.read_text()
    build_file = path.parent.name == "cmake"
    try:
        path.write_text(original.replace(text, replacement))
        caught = tests_fail(preset, fresh=build_file)
    finally:
        path.write_text(original)
        if build_file:
            tests_fail(preset, fresh=True)
    return f"{'caught' if caught else 'MISSED'}  {name} ({preset})"


def main(*wanted):
    faults = [fault for fault in FAULTS if not wanted or any(w in fault[0] for w in wanted)]
    results = []
    for fault in faults:
        results.append(plant(*fault))
        print(results[-1], flush=True)
    for preset in sorted({part for fault in faults for part in fault[3].split("+")}):
        tests_fail(preset)  # rebuild what the last fault left behind
    missed = [result for result in results if not result.startswith("caught")]
    print(f"{len(results) - len(missed)} of {len(results)} faults caught")
    return 1 if missed else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
