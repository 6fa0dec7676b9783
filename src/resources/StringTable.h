#pragma once

#include <string_view>

namespace rollscribe {

// The program's texts by resource id, as the toolkit-free part of the resources.
// A command's string holds its status-bar prompt, a line feed, and its tool tip.

// The text with the given id; empty when there is none.
std::string_view LoadResourceString(unsigned id);

// The prompt of a command's string: the text before its line feed (all of it without one).
std::string_view PromptOf(std::string_view commandString);
// The tool tip of a command's string: the text after its line feed (empty without one).
std::string_view ToolTipOf(std::string_view commandString);

// Field index (0 to 6) of the document template string, resource 128: the caption's program name,
// the default document name, the type name, the filter name, the extension, the shell's type
// identifier and its type description.
enum class TemplateField {
    windowTitle,
    docName,
    fileNewName,
    filterName,
    filterExt,
    regFileTypeId,
    regFileTypeName
};
std::string_view TemplateString(TemplateField field);

// The About box's and the dialog bar's texts.
namespace about_text {
constexpr std::string_view kCaption = "About Rollscribe";
constexpr std::string_view kVersion = "Rollscribe - Beta Version 0.01.0";
constexpr std::string_view kDate = "Feb 25, 2004";
constexpr std::string_view kLegalNotice =
    "Copyright (C) 2004 Quorvel Software. All rights reserved.";
constexpr std::string_view kWebAddress = "www.quorvel.example/rollscribe";
}  // namespace about_text

constexpr std::string_view kDialogBarText =
    "BAR/ANN to Vellum MIDI file converter - BETA version March 8, 2004 - written by the "
    "Quorvel Software roll team - www.quorvel.example/rollscribe";

// The company under which the per-user settings are kept.
constexpr std::string_view kRegistryKey = "Quorvel_Software";
// Entries in the recent-file list.
constexpr unsigned kRecentFileCount = 4;

}  // namespace rollscribe
