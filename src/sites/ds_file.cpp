#include "sites/ds_file.h"

#include <cstdio>

#include <tinyxml2.h>

#include "app/safe_file.h"

namespace orv::sites {

namespace {

constexpr const char* kRoot = "orvelle_dive_site";
constexpr const char* kWaypoint = "waypoint";
constexpr const char* kNewline = "\r\n";

void SetError(std::string* error, std::string text) {
  if (error) *error = std::move(text);
}

// An attribute value between double quotation marks, or single ones when
// the value holds a double one. Besides what XML reserves, control
// characters go out as character references so that a name with a line
// break or a tab comes back as it was instead of being folded by the reader.
void AppendAttribute(std::string& out, const char* name, std::string_view value) {
  const char quote = value.find('"') == std::string_view::npos ? '"' : '\'';
  out += ' ';
  out += name;
  out += '=';
  out += quote;
  for (char c : value) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += quote == '"' ? "&quot;" : "\"";
        break;
      case '\'':
        out += quote == '\'' ? "&apos;" : "'";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char ref[8];
          std::snprintf(ref, sizeof ref, "&#x%X;", static_cast<unsigned>(static_cast<unsigned char>(c)));
          out += ref;
        } else {
          out += c;
        }
    }
  }
  out += quote;
}

// Prints a document in the file's text form: one element per line, four
// spaces per level, " />" for an element without children.
class DsPrinter : public tinyxml2::XMLVisitor {
 public:
  bool Visit(const tinyxml2::XMLDeclaration& declaration) override {
    out_ += "<?";
    out_ += declaration.Value();
    out_ += "?>";
    out_ += kNewline;
    return true;
  }
  bool VisitEnter(const tinyxml2::XMLElement& element, const tinyxml2::XMLAttribute* attribute) override {
    out_.append(static_cast<size_t>(depth_) * 4, ' ');
    out_ += '<';
    out_ += element.Name();
    for (; attribute; attribute = attribute->Next()) AppendAttribute(out_, attribute->Name(), attribute->Value());
    if (element.NoChildren()) {
      out_ += " />";
    } else {
      out_ += '>';
      ++depth_;
    }
    out_ += kNewline;
    return true;
  }
  bool VisitExit(const tinyxml2::XMLElement& element) override {
    if (element.NoChildren()) return true;
    --depth_;
    out_.append(static_cast<size_t>(depth_) * 4, ' ');
    out_ += "</";
    out_ += element.Name();
    out_ += '>';
    out_ += kNewline;
    return true;
  }
  std::string Take() { return std::move(out_); }

 private:
  std::string out_;
  int depth_ = 0;
};

void FillList(const tinyxml2::XMLElement* type_element, int code, SiteList& list) {
  if (!type_element) return;
  for (const tinyxml2::XMLElement* w = type_element->FirstChildElement(kWaypoint); w;
       w = w->NextSiblingElement(kWaypoint)) {
    if (list.size() >= kMaxSites) break;
    DiveSite site;
    site.type = static_cast<uint8_t>(code);
    const char* name = w->Attribute("name");
    site.SetName(name ? name : "");
    const char* lat = w->Attribute("lat");
    const char* lng = w->Attribute("lng");
    site.latitude = lat ? ParseMicroDegrees(lat) : 0;
    site.longitude = lng ? ParseMicroDegrees(lng) : 0;
    list.push_back(site);
  }
}

}  // namespace

std::string FormatDsText(const SiteLists& lists) {
  tinyxml2::XMLDocument doc;
  // Printed as "<?xml ?>": no version, encoding or standalone.
  doc.InsertEndChild(doc.NewDeclaration("xml "));
  tinyxml2::XMLElement* root = doc.NewElement(kRoot);
  doc.InsertEndChild(root);
  for (int code = 0; code < kTypeCount; ++code) {
    tinyxml2::XMLElement* type_element = doc.NewElement(TypeElementName(code));
    root->InsertEndChild(type_element);
    for (const DiveSite& site : lists[static_cast<size_t>(code)]) {
      tinyxml2::XMLElement* w = doc.NewElement(kWaypoint);
      w->SetAttribute("name", site.Name().c_str());
      w->SetAttribute("lat", FormatMicroDegrees(site.latitude).c_str());
      w->SetAttribute("lng", FormatMicroDegrees(site.longitude).c_str());
      type_element->InsertEndChild(w);
    }
  }
  DsPrinter printer;
  doc.Accept(&printer);
  return printer.Take();
}

std::optional<SiteLists> ParseDsText(std::string_view text, std::string* error) {
  tinyxml2::XMLDocument doc;
  if (doc.Parse(text.data(), text.size()) != tinyxml2::XML_SUCCESS) {
    SetError(error, std::string("not a dive-site file: ") + doc.ErrorStr());
    return std::nullopt;
  }
  const tinyxml2::XMLElement* root = doc.FirstChildElement();
  if (!root) {
    SetError(error, "not a dive-site file: no element");
    return std::nullopt;
  }
  SiteLists lists;
  for (int code = 0; code < kTypeCount; ++code) {
    FillList(root->FirstChildElement(TypeElementName(code)), code, lists[static_cast<size_t>(code)]);
  }
  return lists;
}

std::optional<SiteLists> ReadDsFile(const std::string& path, std::string* error) {
  std::optional<std::string> text = ReadRegularFile(path, kMaxDsFileBytes, error);
  if (!text) return std::nullopt;
  return ParseDsText(*text, error);
}

bool WriteDsFile(const std::string& path, const SiteLists& lists, std::string* error) {
  return ReplaceFile(path, FormatDsText(lists), error);
}

bool ImportDsFile(DiveSiteLists& model, const std::string& path, std::string* error) {
  std::optional<SiteLists> lists = ReadDsFile(path, error);
  if (!lists) return false;
  model.ReplaceAll(std::move(*lists));
  return true;
}

bool ExportDsFile(const DiveSiteLists& model, const std::string& path, std::string* error) {
  return WriteDsFile(path, model.lists(), error);
}

}  // namespace orv::sites
