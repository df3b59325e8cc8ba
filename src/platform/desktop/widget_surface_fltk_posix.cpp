// The main window's controls with the desktop toolkit: one toolkit widget
// per control, children of the main window in the order they are added,
// which is the order the Tab key walks. Texts are converted to UTF-8 for the
// toolkit (desktop_text_posix.h); the toolkit keeps pointers to labels and
// tooltips, so this surface owns those strings.
#include <FL/Enumerations.H>
#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Menu_Item.H>
#include <FL/Fl_Native_File_Chooser.H>
#include <FL/Fl_Round_Button.H>
#include <FL/Fl_Secret_Input.H>
#include <FL/Fl_Text_Buffer.H>
#include <FL/Fl_Text_Editor.H>
#include <FL/fl_draw.H>
#include <fontconfig/fontconfig.h>

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/desktop/desktop_fltk_posix.h"
#include "platform/desktop/desktop_text_posix.h"

namespace tolvar::platform::desktop {
namespace {

// Whether fontconfig has a face of exactly this family name.
bool FaceInstalled(const std::string& family) {
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, nullptr);
  FcFontSet* fonts = FcFontList(nullptr, pattern, objects);
  const bool found = fonts != nullptr && fonts->nfont > 0;
  if (fonts) FcFontSetDestroy(fonts);
  FcObjectSetDestroy(objects);
  FcPatternDestroy(pattern);
  return found;
}

// A box that accepts digits only from the keyboard; control keys (Tab,
// Enter, Backspace, shortcuts) pass as usual.
class TDigitsInput final : public Fl_Input {
 public:
  TDigitsInput(int x, int y, int w, int h) : Fl_Input(x, y, w, h) {}
  int handle(int event) override {
    if (event == FL_KEYBOARD && !Fl::event_state(FL_CTRL | FL_ALT | FL_META)) {
      const char* text = Fl::event_text();
      for (int i = 0; i < Fl::event_length(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c != 0x7F && (c < '0' || c > '9')) return 1;  // swallowed
      }
    }
    return Fl_Input::handle(event);
  }
};

// Static text from the box's own left edge, as the table places it (the
// toolkit's plain box indents a left-aligned label by 3 pixels).
class TLabel final : public Fl_Box {
 public:
  TLabel(int x, int y, int w, int h, const char* text) : Fl_Box(x, y, w, h, text) {}
  void draw() override {
    draw_box();
    draw_label(x(), y(), w(), h(), align());
  }
};

// The button that Enter presses: the toolkit's shortcut, and a dark frame
// as the default button has on Windows (no return-arrow mark, which would
// not leave room for the caption).
class TDefaultButton final : public Fl_Button {
 public:
  TDefaultButton(int x, int y, int w, int h) : Fl_Button(x, y, w, h) { shortcut(FL_Enter); }
  void draw() override {
    Fl_Button::draw();
    fl_color(active_r() ? FL_BLACK : FL_INACTIVE_COLOR);
    fl_rect(x(), y(), w(), h());
  }
};

// The status log: an editor whose right button (or the menu key) opens
// the surface's context menu.
class TLogEditor final : public Fl_Text_Editor {
 public:
  TLogEditor(int x, int y, int w, int h) : Fl_Text_Editor(x, y, w, h) {}
  std::function<void(int x, int y)> on_menu;
  int handle(int event) override {
    if (event == FL_PUSH && Fl::event_button() == FL_RIGHT_MOUSE && on_menu) {
      take_focus();
      on_menu(Fl::event_x(), Fl::event_y());
      return 1;
    }
    if (event == FL_KEYBOARD && on_menu &&
        (Fl::event_key() == FL_Menu || (Fl::event_key() == FL_F + 10 && Fl::event_state(FL_SHIFT)))) {
      on_menu(x(), y());
      return 1;
    }
    return Fl_Text_Editor::handle(event);
  }
};

class TFltkSurface final : public TWidgetSurface {
 public:
  TFltkSurface(TFltkWindow& window, TWidgetEvents& events) : window_(window), main_(window.Window()), events_(events) {
    window_.on_resize = [this](int w, int h) { events_.OnClientResize(w, h); };
    window_.on_dump = [this](const std::string& path) { Dump(path); };
  }

  ~TFltkSurface() override {
    window_.on_resize = nullptr;
    window_.on_dump = nullptr;
    // The widgets go with the window; the log's buffer must outlive its
    // editor, so the editor lets go of it first.
    for (auto& [id, w] : widgets_) {
      if (w.log) w.log->buffer(nullptr);
    }
  }

  void SetFont(const std::string& face, int pixels) override {
    // The face itself where installed, else the proportional Japanese
    // faces a Linux desktop commonly has. The toolkit draws a string in one
    // face without falling back per glyph, so a face without Japanese
    // glyphs would show the captions as empty boxes.
    const std::string candidates[] = {ProgramTextToUtf8(face), "MS PGothic", "IPAPGothic",
                                      "Noto Sans CJK JP",      "VL PGothic", "IPAGothic",
                                      "Droid Sans Japanese"};
    font_face_.clear();
    for (const std::string& candidate : candidates) {
      if (FaceInstalled(candidate)) {
        font_face_ = candidate;
        break;
      }
    }
    // The leading blank is the toolkit's mark for the regular style.
    if (!font_face_.empty()) {
      font_name_ = " " + font_face_;
      Fl::set_font(FL_HELVETICA, font_name_.c_str());
    }
    pixels_ = pixels > 0 ? pixels : FL_NORMAL_SIZE;
    FL_NORMAL_SIZE = pixels_;
  }

  void Add(int id, const TWidgetDesc& desc) override {
    TWidget w;
    w.kind = desc.kind;
    w.fit = desc.kind == TWidgetKind::wkLabel && desc.rect.width == 0;
    const char* caption = Keep(ProgramTextToUtf8(desc.caption));
    const TWidgetRect& r = desc.rect;
    main_.begin();
    switch (desc.kind) {
      case TWidgetKind::wkPanel: {
        // A frameless box under every control: its hint shows where the
        // panel shows between its controls.
        auto* box = new Fl_Box(r.left, r.top, r.width, r.height);
        box->box(FL_NO_BOX);
        main_.insert(*box, 0);
        w.widget = box;
        break;
      }
      case TWidgetKind::wkLabel: {
        auto* box = new TLabel(r.left, r.top, r.width, r.height, caption);
        box->box(FL_NO_BOX);
        box->align(FL_ALIGN_LEFT | FL_ALIGN_TOP | FL_ALIGN_INSIDE | FL_ALIGN_CLIP);
        w.widget = box;
        break;
      }
      case TWidgetKind::wkEdit:
      case TWidgetKind::wkPassword:
      case TWidgetKind::wkDigits: {
        Fl_Input* input = nullptr;
        if (desc.kind == TWidgetKind::wkPassword) {
          input = new Fl_Secret_Input(r.left, r.top, r.width, r.height);
        } else if (desc.kind == TWidgetKind::wkDigits) {
          input = new TDigitsInput(r.left, r.top, r.width, r.height);
        } else {
          input = new Fl_Input(r.left, r.top, r.width, r.height);
        }
        if (desc.max_length > 0) input->maximum_size(desc.max_length);
        input->when(FL_WHEN_CHANGED);
        input->callback(&TFltkSurface::OnChanged, this);
        input->textsize(pixels_);
        input->textfont(FL_HELVETICA);
        w.input = input;
        w.widget = input;
        break;
      }
      case TWidgetKind::wkButton: {
        Fl_Button* button = desc.default_button ? new TDefaultButton(r.left, r.top, r.width, r.height)
                                                : new Fl_Button(r.left, r.top, r.width, r.height);
        button->copy_label(caption);
        button->callback(&TFltkSurface::OnClicked, this);
        w.widget = button;
        break;
      }
      case TWidgetKind::wkCheckBox: {
        auto* box = new Fl_Check_Button(r.left, r.top, r.width, r.height);
        box->copy_label(caption);
        box->callback(&TFltkSurface::OnClicked, this);
        w.check = box;
        w.widget = box;
        break;
      }
      case TWidgetKind::wkRadioGroup: {
        auto* group = new Fl_Group(r.left, r.top, r.width, r.height);
        group->box(FL_ENGRAVED_FRAME);
        group->copy_label(caption);
        group->align(FL_ALIGN_TOP_LEFT | FL_ALIGN_INSIDE);
        for (std::size_t i = 0; i < desc.items.size(); ++i) {
          const TWidgetRect ir = RadioItemRect(r, i, desc.items.size());
          auto* item = new Fl_Round_Button(ir.left, ir.top, ir.width, ir.height);
          item->type(FL_RADIO_BUTTON);
          item->copy_label(ProgramTextToUtf8(desc.items[i]).c_str());
          item->callback(&TFltkSurface::OnClicked, this);
          item->user_data(this);
          w.items.push_back(item);
        }
        group->end();
        group->resizable(nullptr);
        main_.begin();
        w.widget = group;
        break;
      }
      case TWidgetKind::wkLog: {
        auto buffer = std::make_unique<Fl_Text_Buffer>();
        auto* log = new TLogEditor(r.left, r.top, r.width, r.height);
        log->buffer(buffer.get());
        log->textfont(FL_HELVETICA);
        log->textsize(pixels_);
        log->on_menu = [this, id](int x, int y) { PopUpMenu(id, x, y); };
        w.buffer = std::move(buffer);
        w.log = log;
        w.widget = log;
        break;
      }
    }
    main_.end();
    if (w.widget == nullptr) throw std::runtime_error("A control cannot be created.");
    w.widget->labelfont(FL_HELVETICA);
    w.widget->labelsize(pixels_);
    for (Fl_Widget* item : w.items) {
      item->labelfont(FL_HELVETICA);
      item->labelsize(pixels_);
    }
    if (w.fit) {
      fl_font(FL_HELVETICA, pixels_);
      int fw = 0, fh = 0;
      fl_measure(caption, fw, fh, 0);
      w.fitted_w = fw;
      w.fitted_h = fh;
    }
    if (!desc.hint.empty()) {
      const char* hint = Keep(ProgramTextToUtf8(desc.hint));
      w.widget->tooltip(hint);
      for (Fl_Widget* item : w.items) item->tooltip(hint);
    }
    ids_[w.widget] = id;
    for (Fl_Widget* item : w.items) ids_[item] = id;
    auto& stored = widgets_[id];
    stored = std::move(w);
    SetBounds(id, desc.rect);
  }

  void SetContextMenu(int id, const std::vector<std::string>& items) override {
    menu_owner_ = id;
    menu_.clear();
    menu_index_.clear();
    for (std::size_t i = 0; i < items.size(); ++i) {
      if (items[i].empty()) {
        // A separator is a line under the item before it.
        if (!menu_.empty()) menu_.back().flags |= FL_MENU_DIVIDER;
        continue;
      }
      Fl_Menu_Item item{};
      item.text = Keep(ProgramTextToUtf8(items[i]));
      item.labelsize_ = static_cast<Fl_Fontsize>(pixels_);
      item.labelfont_ = FL_HELVETICA;
      menu_.push_back(item);
      menu_index_.push_back(static_cast<int>(i));
    }
    menu_.push_back(Fl_Menu_Item{});  // the end mark
  }

  void SetBounds(int id, const TWidgetRect& rect) override {
    TWidget* w = Find(id);
    if (w == nullptr || w->widget == nullptr) return;
    int width = rect.width, height = rect.height;
    if (w->fit) {
      width = w->fitted_w;
      height = w->fitted_h;
    }
    w->widget->resize(rect.left, rect.top, width, height);
    for (std::size_t i = 0; i < w->items.size(); ++i) {
      const TWidgetRect ir = RadioItemRect(rect, i, w->items.size());
      w->items[i]->resize(ir.left, ir.top, ir.width, ir.height);
    }
    main_.redraw();
  }

  TWidgetRect ClientArea() const override { return TWidgetRect{0, 0, main_.w(), main_.h()}; }

  bool Live() const override { return !window_.Gone(); }

  void SetText(int id, const std::string& text) override {
    TWidget* w = Find(id);
    if (w == nullptr) return;
    if (w->input) w->input->value(LocaleToUtf8(text).c_str());
    if (w->buffer) w->buffer->text(LocaleToUtf8(text).c_str());
  }

  std::string Text(int id) const override {
    const TWidget* w = Find(id);
    if (w == nullptr) return std::string();
    if (w->input) return Utf8ToLocale(w->input->value());
    if (w->buffer) {
      char* all = w->buffer->text();
      std::string text = Utf8ToLocale(all);
      free(all);
      return text;
    }
    return std::string();
  }

  void SetEnabled(int id, bool enabled) override {
    TWidget* w = Find(id);
    if (w == nullptr || w->widget == nullptr) return;
    if (enabled) {
      w->widget->activate();
    } else {
      w->widget->deactivate();
    }
  }

  void SetReadOnly(int id, bool read_only, TFillColour colour) override {
    TWidget* w = Find(id);
    if (w == nullptr || w->widget == nullptr) return;
    if (w->input) w->input->readonly(read_only ? 1 : 0);
    w->colour = colour;
    w->widget->color(colour == TFillColour::fcWindow ? FL_BACKGROUND2_COLOR : FL_BACKGROUND_COLOR);
    w->widget->redraw();
  }

  void SetChecked(int id, bool checked) override {
    if (TWidget* w = Find(id); w != nullptr && w->check) w->check->value(checked ? 1 : 0);
  }

  bool Checked(int id) const override {
    const TWidget* w = Find(id);
    return w != nullptr && w->check && w->check->value() != 0;
  }

  void SetSelectedItem(int id, int item) override {
    TWidget* w = Find(id);
    if (w == nullptr) return;
    for (std::size_t i = 0; i < w->items.size(); ++i) w->items[i]->value(static_cast<int>(i) == item ? 1 : 0);
  }

  int SelectedItem(int id) const override {
    const TWidget* w = Find(id);
    if (w == nullptr) return -1;
    for (std::size_t i = 0; i < w->items.size(); ++i) {
      if (w->items[i]->value()) return static_cast<int>(i);
    }
    return -1;
  }

  void AppendLine(int id, const std::string& line) override {
    TWidget* w = Find(id);
    if (w == nullptr || !w->buffer) return;
    Fl_Text_Buffer& buffer = *w->buffer;
    std::string text = ProgramTextToUtf8(line) + "\n";
    // After the user's own text, on a line of its own.
    const int length = buffer.length();
    if (length > 0 && buffer.byte_at(length - 1) != '\n') text.insert(0, "\n");
    const int caret = w->log->insert_position();
    int start = 0, end = 0;
    const bool selected = buffer.selection_position(&start, &end) != 0;
    buffer.append(text.c_str());
    w->log->insert_position(caret);
    if (selected) buffer.select(start, end);
  }

  void ScrollToEnd(int id) override {
    TWidget* w = Find(id);
    if (w == nullptr || !w->log) return;
    w->buffer->unselect();
    w->log->insert_position(w->buffer->length());
    w->log->show_insert_position();
  }

  void RunEditCommand(int id, TEditCommand command) override {
    TWidget* w = Find(id);
    if (w == nullptr || !w->log) return;
    switch (command) {
      case TEditCommand::ecCut:
        Fl_Text_Editor::kf_cut(0, w->log);
        break;
      case TEditCommand::ecCopy:
        Fl_Text_Editor::kf_copy(0, w->log);
        break;
      case TEditCommand::ecPaste:
        Fl_Text_Editor::kf_paste(0, w->log);
        break;
      case TEditCommand::ecDelete:
        // The selection only: with none, nothing goes.
        w->buffer->remove_selection();
        break;
      case TEditCommand::ecSelectAll:
        Fl_Text_Editor::kf_select_all(0, w->log);
        break;
    }
  }

  bool ChooseFile(TChooserKind kind, const std::string& title, std::string* path) override {
    Fl_Native_File_Chooser chooser(kind == TChooserKind::chSave ? Fl_Native_File_Chooser::BROWSE_SAVE_FILE
                                                                : Fl_Native_File_Chooser::BROWSE_FILE);
    const std::string utf8_title = ProgramTextToUtf8(title);
    chooser.title(utf8_title.c_str());
    // No filter, no default extension, no overwrite question: the name
    // goes into an edit box and the run decides what to do with it.
    chooser.options(Fl_Native_File_Chooser::NO_OPTIONS);
    if (chooser.show() != 0 || chooser.filename() == nullptr || *chooser.filename() == '\0') return false;
    *path = Utf8ToLocale(chooser.filename());
    return true;
  }

 private:
  struct TWidget {
    TWidgetKind kind = TWidgetKind::wkLabel;
    Fl_Widget* widget = nullptr;  // owned by the main window
    Fl_Input* input = nullptr;
    Fl_Check_Button* check = nullptr;
    TLogEditor* log = nullptr;
    std::unique_ptr<Fl_Text_Buffer> buffer;
    std::vector<Fl_Round_Button*> items;
    TFillColour colour = TFillColour::fcWindow;
    bool fit = false;
    int fitted_w = 0;
    int fitted_h = 0;
  };

  // A string the toolkit points at for as long as this surface lives.
  const char* Keep(std::string text) {
    kept_.push_back(std::move(text));
    return kept_.back().c_str();
  }

  TWidget* Find(int id) {
    auto it = widgets_.find(id);
    return it == widgets_.end() ? nullptr : &it->second;
  }
  const TWidget* Find(int id) const {
    auto it = widgets_.find(id);
    return it == widgets_.end() ? nullptr : &it->second;
  }

  int IdOf(Fl_Widget* widget) const {
    auto it = ids_.find(widget);
    return it == ids_.end() ? 0 : it->second;
  }

  static void OnClicked(Fl_Widget* widget, void* self) {
    auto* surface = static_cast<TFltkSurface*>(self);
    if (const int id = surface->IdOf(widget)) surface->events_.OnWidgetClick(id);
  }

  static void OnChanged(Fl_Widget* widget, void* self) {
    auto* surface = static_cast<TFltkSurface*>(self);
    if (const int id = surface->IdOf(widget)) surface->events_.OnWidgetChange(id);
  }

  void PopUpMenu(int id, int x, int y) {
    if (id != menu_owner_ || menu_.size() < 2) return;
    const Fl_Menu_Item* chosen = menu_.front().popup(x, y);
    if (chosen == nullptr) return;
    const auto index = static_cast<std::size_t>(chosen - menu_.data());
    if (index < menu_index_.size()) events_.OnWidgetMenu(id, menu_index_[index]);
  }

  // What the window shows, one control a line in the window's child order
  // (the Tab order), tab-separated: id, kind, x, y, width, height, active,
  // read-only, caption, hint, text; then the chosen face. Written whole
  // through a temporary file, so a reader never sees half of it.
  void Dump(const std::string& path) const {
    const std::string temporary = path + ".part";
    FILE* f = std::fopen(temporary.c_str(), "w");
    if (f == nullptr) return;
    auto escape = [](const std::string& s) {
      std::string out;
      for (char c : s) {
        if (c == '\n') {
          out += "\\n";
        } else if (c == '\t') {
          out += "\\t";
        } else if (c == '\\') {
          out += "\\\\";
        } else {
          out.push_back(c);
        }
      }
      return out;
    };
    std::fprintf(f, "client\t%d\t%d\tface\t%s\n", main_.w(), main_.h(), font_face_.c_str());
    for (int i = 0; i < main_.children(); ++i) {
      Fl_Widget* child = main_.child(i);
      const int id = IdOf(child);
      const TWidget* w = Find(id);
      if (w == nullptr) continue;
      std::string text;
      if (w->input) text = w->input->value();
      if (w->buffer) {
        char* all = w->buffer->text();
        text = all;
        free(all);
      }
      if (!w->items.empty()) {
        for (Fl_Round_Button* item : w->items) text += std::string(item->value() ? "*" : "") + item->label() + ";";
      }
      if (w->check) text = w->check->value() ? "checked" : "unchecked";
      // How wide the caption draws, so that a test can tell it fits.
      int label_w = 0, label_h = 0;
      if (child->label() != nullptr) {
        fl_font(child->labelfont(), child->labelsize());
        fl_measure(child->label(), label_w, label_h, 0);
      }
      const bool read_only = w->input != nullptr && w->input->readonly();
      std::fprintf(f, "%d\t%d\t%d\t%d\t%d\t%d\t%d\t%d\t%d\t%s\t%s\t%s\n", id, static_cast<int>(w->kind), child->x(),
                   child->y(), child->w(), child->h(), child->active() ? 1 : 0, read_only ? 1 : 0, label_w,
                   escape(child->label() ? child->label() : "").c_str(),
                   escape(child->tooltip() ? child->tooltip() : "").c_str(), escape(text).c_str());
    }
    std::fclose(f);
    std::rename(temporary.c_str(), path.c_str());
  }

  TFltkWindow& window_;
  Fl_Double_Window& main_;
  TWidgetEvents& events_;
  std::map<int, TWidget> widgets_;
  std::map<const Fl_Widget*, int> ids_;
  std::deque<std::string> kept_;
  std::vector<Fl_Menu_Item> menu_;
  std::vector<int> menu_index_;  // the caller's item index of each menu entry
  int menu_owner_ = 0;
  std::string font_face_;
  std::string font_name_;
  int pixels_ = FL_NORMAL_SIZE;
};

}  // namespace

std::unique_ptr<TWidgetSurface> CreateFltkSurface(TFltkWindow& window, TWidgetEvents& events) {
  return std::make_unique<TFltkSurface>(window, events);
}

}  // namespace tolvar::platform::desktop
