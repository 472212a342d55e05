#include "workflow/input_file_list.h"

#include <algorithm>
#include <charconv>
#include <exception>

#include "foundation/os_utils.h"
#include "workflow/msg_dlg.h"

namespace {

constexpr std::string_view excluded_extensions =
    ".lnk.$$$.tmp.dmp.db.boot.pif.sys.dll.app.exe.com.gadget.jar.vb.wsf.cab.cpl.fnt.fon.ttf.otf."
    "sub.srt.ssa.txt.text.tex.log.msg.csv.cfg.ini.prf.uue.inc.c.cpp.class.pas.pp.lua.pl.py.sln."
    "php.js.jsp.asp.aspx.rss.rtf.pages.exf.epub.gbr.ibooks.key.sdf.vcf.wpd.wps.doc.docx.xlr.xls."
    "xlsx.pps.ppt.pptx.htm.htm.html.xhtml.css.xml.xlt.cgi.zip.7z.rar.tar.bz.bz2.pkg.sit.sitx."
    "zipx.wmf.eps.psd.pspimage.ai.svg.ps.indd.pctdwg.dxf.obj.3dm.max.gpxdbf.mdb.accdb.pdb.sql."
    "idx.dem.gam.nes.rom.sav.iso.bin.cue.dmg.mdf.toast.uif.vmp.plugin.torrent.dbx.msi.part.bak";

std::string IntText(long long v) {
  char buf[24];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, end);
}

}  // namespace

std::string_view FileStatus_Text(int status) {
  switch (status) {
    case status_convert:
      return "Convert";
    case status_converting:
      return "CONVERTING";
    case status_merging:
      return "MERGING";
    case status_done:
      return "Done";
    case status_done_earlier:
      return "Done earlier";
    case status_interrupted:
      return "Interrupted";
    case status_error:
      return "ERROR";
    default:
      return " ";
  }
}

void file_item::Init() {
  input_path.clear();
  input_short_path.clear();
  media_kind = 0;
  start_sec = 0;
  end_sec = 0;
  file_duration_sec = 0;
  deinterlace = false;
  volume_pct = 100;
  ResetOutput();
}

void file_item::ResetOutput() {
  status = status_convert;
  SetOutputPath("");
  output_size = 0;
}

double file_item::SelectedLength() const {
  double d = end_sec - start_sec;
  return d < 0 ? 0 : d;
}

void file_item::SetStart(double x) {
  start_sec = x > file_duration_sec ? file_duration_sec : std::max(x, 0.0);
  SetEnd(end_sec);
}

void file_item::SetEnd(double x) {
  if (x > file_duration_sec)
    end_sec = file_duration_sec;
  else if (x >= start_sec)
    end_sec = x;
  else
    end_sec = start_sec;
}

void file_item::Reclamp() {
  SetStart(start_sec);
  SetEnd(end_sec);
}

void file_item::SetVolume(int v) {
  volume_pct = std::clamp(v, 0, 400);
}

void file_item::SetInputPath(const std::string& path) {
  input_path = path;
  input_short_path = Path_Safe(path);
}

void file_item::SetOutputPath(const std::string& path) {
  output_path = path;
  output_short_path = Path_Safe(path);
}

bool File_IsExcludedExtension(std::string_view path) {
  std::string_view name = path;
  if (auto slash = name.find_last_of('/'); slash != std::string_view::npos)
    name = name.substr(slash + 1);
  auto dot = name.find_last_of('.');
  if (dot == std::string_view::npos) return true;
  std::string ext(name.substr(dot));
  if (ext.size() <= 1) return true;
  for (char& c : ext)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return excluded_extensions.find(ext) != std::string_view::npos;
}

int file_list::Insert(int index, const std::string& path) {
  try {
    auto item = std::make_unique<file_item>();
    if (!Ffmpeg_Probe(Path_Safe(path), item->media)) return 2;
    const auto& v = item->media.video;
    const auto& a = item->media.audio;
    if (!((v.present && v.supported) || (a.present && a.supported))) return 2;
    item->SetInputPath(path);
    item->SetOutputPath("");
    item->media_kind = v.present ? 0 : 1;
    item->file_duration_sec = std::max(v.duration, a.duration);
    item->SetStart(0);
    item->SetEnd(item->file_duration_sec);
    item->deinterlace = false;
    item->status = status_convert;
    InsertItem(index, std::move(item));
    return 0;
  } catch (const std::exception&) {
    return 1;
  }
}

void file_list::InsertItem(int index, std::unique_ptr<file_item> item) {
  index = std::clamp(index, 0, Count());
  items_.insert(items_.begin() + index, std::move(item));
  SyncFlags();
}

void file_list::DeleteRange(int first, int n) {
  for (int i = first + n - 1; i >= first; --i)
    if (i >= 0 && i < Count()) items_.erase(items_.begin() + i);
  SyncFlags();
}

bool file_list::IsSelected(int i) {
  SyncFlags();
  return i >= 0 && i < Count() && flags_[static_cast<std::size_t>(i)];
}

void file_list::SetSelected(int i, bool flag) {
  SyncFlags();
  if (i >= 0 && i < Count()) flags_[static_cast<std::size_t>(i)] = flag;
}

void file_list::MoveUp() {
  SyncFlags();
  if (Count() == 0 || flags_[0]) return;
  for (std::size_t i = 1; i < items_.size(); ++i) {
    if (!flags_[i]) continue;
    std::swap(items_[i], items_[i - 1]);
    bool f = flags_[i];
    flags_[i] = flags_[i - 1];
    flags_[i - 1] = f;
  }
}

void file_list::MoveDown() {
  SyncFlags();
  if (Count() == 0 || flags_.back()) return;
  for (int i = Count() - 2; i >= 0; --i) {
    auto k = static_cast<std::size_t>(i);
    if (!flags_[k]) continue;
    std::swap(items_[k], items_[k + 1]);
    bool f = flags_[k];
    flags_[k] = flags_[k + 1];
    flags_[k + 1] = f;
  }
}

double file_list::TotalSelectedLength(std::uint32_t status_mask) const {
  double sum = 0;
  for (const auto& item : items_)
    if (item->status >= 0 && item->status < 32 && (status_mask & StatusMask(item->status)))
      sum += item->SelectedLength();
  return sum;
}

std::string FileListMessage_Text(std::string_view heading, const std::vector<std::string>& names) {
  const int n = static_cast<int>(names.size());
  const int k = n == 11 ? 11 : std::clamp(n, 0, 10);
  std::string text(heading);
  for (int i = 0; i < k; ++i) {
    text += "\r\n    ";
    text += names[static_cast<std::size_t>(i)];
  }
  if (k < n) text += "    (...and " + IntText(n - k) + " more files...)";
  return text;
}

void ShowFileListMessage(std::string_view heading, std::vector<std::string>& names) {
  if (!names.empty()) Msg_Error(FileListMessage_Text(heading, names));
  names.clear();
}
