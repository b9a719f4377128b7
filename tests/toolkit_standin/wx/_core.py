"""The toolkit stand-in's classes and names (see the package's docstring)."""
import datetime as _datetime


class StandInOnly(RuntimeError):
    """Raised where the real toolkit would show a window or run a loop."""

    def __init__(self, what):
        RuntimeError.__init__(self, "the toolkit stand-in cannot do this: %s" % what)


class wxAssertionError(AssertionError):
    pass


PyAssertionError = wxAssertionError


def _check(condition, text):
    if not condition:
        raise wxAssertionError(text)


# Identifiers and flags with the toolkit's own values where code compares them.
ID_ANY, ID_NONE, ID_OK, ID_CANCEL, ID_YES, ID_NO, ID_HELP = -1, -3, 5100, 5101, 5103, 5104, 5009
YES, OK, NO, CANCEL, HELP = 2, 4, 8, 16, 4096
NOT_FOUND = -1
APP_ASSERT_SUPPRESS, APP_ASSERT_EXCEPTION, APP_ASSERT_DIALOG, APP_ASSERT_LOG = 0, 1, 2, 4
LB_SINGLE, LB_MULTIPLE, LB_EXTENDED = 0x20, 0x40, 0x80
EmptyString = ""


def _constants(namespace, names):
    """Distinct flag values for names whose values nothing compares."""
    for bit, name in enumerate(names.split()):
        namespace[name] = 1 << (bit % 30)


_constants(globals(), """ALL EXPAND BOTH HORIZONTAL VERTICAL ALIGN_CENTER ALIGN_CENTRE
    ALIGN_CENTER_VERTICAL ALIGN_CENTER_HORIZONTAL ALIGN_LEFT ALIGN_RIGHT ALIGN_TOP ALIGN_BOTTOM
    LEFT RIGHT TOP BOTTOM DEFAULT_DIALOG_STYLE DEFAULT_FRAME_STYLE RESIZE_BORDER CAPTION
    CLOSE_BOX STAY_ON_TOP SYSTEM_MENU TAB_TRAVERSAL TE_MULTILINE TE_READONLY TE_PASSWORD
    TE_PROCESS_ENTER CB_DROPDOWN CB_READONLY CB_SORT LB_SORT LB_HSCROLL LI_HORIZONTAL
    GA_HORIZONTAL GA_SMOOTH FLEX_GROWMODE_SPECIFIED FLEX_GROWMODE_ALL FLEX_GROWMODE_NONE
    FONTFAMILY_DEFAULT FONTSTYLE_NORMAL FONTWEIGHT_NORMAL FONTWEIGHT_BOLD TR_DEFAULT_STYLE
    TR_SINGLE TR_HIDE_ROOT TR_HAS_BUTTONS ICON_INFORMATION ICON_WARNING ICON_ERROR
    ICON_QUESTION YES_NO OK_DEFAULT NO_DEFAULT CENTRE""")


class PyEventBinder:
    def __init__(self, name, expected_ids=0):
        self.name = name
        self.expectedIDs = expected_ids

    def __repr__(self):
        return "<stand-in event binder %s>" % self.name


_EVENTS = """EVT_BUTTON EVT_CLOSE EVT_SHOW EVT_TIMER EVT_TEXT EVT_TEXT_ENTER EVT_LISTBOX
    EVT_LISTBOX_DCLICK EVT_CHECKBOX EVT_CHOICE EVT_COMBOBOX EVT_TREE_SEL_CHANGED
    EVT_TREE_ITEM_ACTIVATED EVT_TREE_ITEM_RIGHT_CLICK EVT_TREE_BEGIN_DRAG EVT_TREE_END_DRAG
    EVT_KEY_DOWN EVT_CHAR EVT_SIZE EVT_IDLE EVT_MENU EVT_CHAR_HOOK EVT_KILL_FOCUS"""
for _name in _EVENTS.split():
    globals()[_name] = PyEventBinder(_name)
wxEVT_BUTTON, wxEVT_TIMER = 10000, 10001


class _WrapperType(type):
    """The toolkit's classes have a metaclass of their own; so do these."""


class Object(metaclass=_WrapperType):
    pass


class Size:
    def __init__(self, width=-1, height=-1):
        self.width, self.height = width, height

    def Get(self):
        return (self.width, self.height)

    def __iter__(self):
        return iter(self.Get())

    def __eq__(self, other):
        return tuple(self) == tuple(other)

    def __repr__(self):
        return "wx.Size(%d, %d)" % self.Get()


class Point(Size):
    pass


DefaultSize = Size()
DefaultPosition = Point()


class Colour:
    def __init__(self, red=0, green=0, blue=0, alpha=255):
        self._rgba = (red, green, blue, alpha)

    def Get(self, includeAlpha=True):
        return self._rgba if includeAlpha else self._rgba[:3]

    def __eq__(self, other):
        return isinstance(other, Colour) and self._rgba == other._rgba

    def __hash__(self):
        return hash(self._rgba)

    def __repr__(self):
        return "wx.Colour%r" % (self._rgba,)


class Font:
    def __init__(self, *args, **kwargs):
        self.args = args


class DateTime(Object):
    """Months count from 0, as in the toolkit."""

    def __init__(self):
        self._value = None

    @classmethod
    def FromDMY(cls, day, month, year=-1, hour=0, minute=0, second=0, millisec=0):
        result = cls()
        result._value = _datetime.datetime(year, month + 1, day, hour, minute, second)
        return result

    @classmethod
    def Today(cls):
        today = _datetime.date.today()
        return cls.FromDMY(today.day, today.month - 1, today.year)

    Now = Today

    def IsValid(self):
        return self._value is not None

    def __getattr__(self, name):
        fields = {"year": "year", "day": "day", "hour": "hour", "minute": "minute", "second": "second"}
        if name == "month":
            return self._value.month - 1
        if name in fields and self._value is not None:
            return getattr(self._value, fields[name])
        raise AttributeError(name)

    def GetYear(self):
        return self.year

    def GetMonth(self):
        return self.month

    def GetDay(self):
        return self.day

    def GetHour(self):
        return self.hour

    def GetMinute(self):
        return self.minute

    def GetSecond(self):
        return self.second


DefaultDateTime = DateTime()


# ----------------------------------------------------------- windows ---

_top_level = []
_app = None


class EvtHandler(Object):
    def __init__(self):
        self._bindings = []

    def Bind(self, event, handler, source=None, id=ID_ANY, id2=ID_ANY):
        self._bindings.append((event, handler, source, id))

    def Unbind(self, event, source=None, id=ID_ANY, id2=ID_ANY, handler=None):
        before = len(self._bindings)
        self._bindings = [b for b in self._bindings if b[0] is not event]
        return len(self._bindings) != before


class Window(EvtHandler):
    _next_id = -31000

    def __init__(self, parent=None, id=ID_ANY, *args, **kwargs):
        EvtHandler.__init__(self)
        self._parent = parent
        self._children = []
        self._sizer = None
        self._shown = True
        self._alive = True
        self._label = kwargs.get("label", kwargs.get("title", ""))
        self._style = kwargs.get("style", 0)
        if id == ID_ANY:
            Window._next_id -= 1
            id = Window._next_id
        self._id = id
        if parent is not None:
            parent._children.append(self)

    def __bool__(self):
        return self._alive

    def GetId(self):
        return self._id

    def GetParent(self):
        return self._parent

    def GetChildren(self):
        return list(self._children)

    def GetWindowStyleFlag(self):
        return self._style

    GetWindowStyle = GetWindowStyleFlag

    def Destroy(self):
        for child in list(self._children):
            child.Destroy()
        if self._parent is not None and self in self._parent._children:
            self._parent._children.remove(self)
        if self in _top_level:
            _top_level.remove(self)
        self._alive = False
        return True

    def IsBeingDeleted(self):
        return not self._alive

    def SetSizer(self, sizer, deleteOld=True):
        self._sizer = sizer

    def GetSizer(self):
        return self._sizer

    def SetSizerAndFit(self, sizer, deleteOld=True):
        self._sizer = sizer

    def Show(self, show=True):
        self._shown = bool(show)
        return True

    def Hide(self):
        return self.Show(False)

    def IsShown(self):
        return self._shown

    def GetLabel(self):
        return self._label

    def SetLabel(self, label):
        self._label = label

    def _nothing(self, *args, **kwargs):
        return None

    (Layout, Fit, Centre, Center, SetMinSize, SetSize, SetSizeHints, SetFont, SetToolTip,
     Enable, Disable, Refresh, Update, SetFocus, SetBackgroundColour, SetForegroundColour,
     Freeze, Thaw, SetInitialSize) = (_nothing,) * 19


class TopLevelWindow(Window):
    def __init__(self, parent=None, id=ID_ANY, title="", *args, **kwargs):
        kwargs.setdefault("title", title)
        Window.__init__(self, parent, id, *args, **kwargs)
        _top_level.append(self)

    def GetTitle(self):
        return self._label

    SetTitle = Window.SetLabel

    def Close(self, force=False):
        return self.Destroy()


class Frame(TopLevelWindow):
    pass


class Dialog(TopLevelWindow):
    def ShowModal(self):
        raise StandInOnly("showing a modal dialog")

    def IsModal(self):
        return False

    def EndModal(self, code):
        raise StandInOnly("ending a modal dialog")


class Panel(Window):
    pass


class Control(Window):
    pass


class StaticText(Control):
    def __init__(self, parent=None, id=ID_ANY, label="", *args, **kwargs):
        kwargs["label"] = label
        Control.__init__(self, parent, id, *args, **kwargs)

    def Wrap(self, width):
        pass


class Button(StaticText):
    pass


StaticLine = StaticBox = CheckBox = Choice = TreeCtrl = Gauge = Control


class TextCtrl(Control):
    def __init__(self, parent=None, id=ID_ANY, value="", *args, **kwargs):
        Control.__init__(self, parent, id, *args, **kwargs)
        self._value = value

    def GetValue(self):
        return self._value

    def SetValue(self, value):
        if not isinstance(value, str):
            raise TypeError("TextCtrl.SetValue(): argument 1 has unexpected type %r"
                            % type(value).__name__)
        self._value = value

    ChangeValue = SetValue


class ListBox(Control):
    """Items and selection kept in memory, with the toolkit's index checks."""

    def __init__(self, parent=None, id=ID_ANY, pos=DefaultPosition, size=DefaultSize,
                 choices=(), style=0, *args, **kwargs):
        Control.__init__(self, parent, id, style=style)
        self._items = [str(c) for c in choices]
        self._selected = set()
        self._multiple = bool(style & (LB_MULTIPLE | LB_EXTENDED))

    def _text(self, item):
        if not isinstance(item, str):
            raise TypeError("ListBox: an item must be a str, not %s" % type(item).__name__)
        return item

    def Append(self, item, *client_data):
        if isinstance(item, (list, tuple)):
            for one in item:
                self.Append(one)
            return len(self._items) - 1
        self._items.append(self._text(item))
        return len(self._items) - 1

    def Insert(self, item, pos, *client_data):
        _check(0 <= pos <= len(self._items), "Invalid index passed to Insert")
        self._items.insert(pos, self._text(item))
        self._selected = {s + 1 if s >= pos else s for s in self._selected}
        return pos

    def InsertItems(self, items, pos):
        for offset, item in enumerate(items):
            self.Insert(item, pos + offset)

    def Delete(self, n):
        _check(0 <= n < len(self._items), "invalid index in wxListBox::Delete")
        del self._items[n]
        self._selected = {s - 1 if s > n else s for s in self._selected if s != n}

    def Clear(self):
        self._items = []
        self._selected = set()

    def Set(self, items):
        self.Clear()
        for item in items:
            self.Append(item)

    SetItems = Set

    def GetCount(self):
        return len(self._items)

    def GetItems(self):
        return list(self._items)

    GetStrings = GetItems

    def GetString(self, n):
        _check(0 <= n < len(self._items), "invalid index in wxListBox::GetString")
        return self._items[n]

    def SetString(self, n, text):
        _check(0 <= n < len(self._items), "invalid index in wxListBox::SetString")
        self._items[n] = self._text(text)

    def FindString(self, text, caseSensitive=False):
        for i, item in enumerate(self._items):
            if item == text or (not caseSensitive and item.lower() == text.lower()):
                return i
        return NOT_FOUND

    def GetSelection(self):
        return min(self._selected) if self._selected else NOT_FOUND

    def GetSelections(self):
        return sorted(self._selected)

    def IsSelected(self, n):
        return n in self._selected

    def SetSelection(self, n, select=True):
        if n == NOT_FOUND:
            self._selected = set()
            return
        _check(0 <= n < len(self._items), "invalid index in wxListBox::SetSelection")
        if not self._multiple:
            self._selected = set()
        if select:
            self._selected.add(n)
        else:
            self._selected.discard(n)

    Select = SetSelection

    def Deselect(self, n):
        self._selected.discard(n)

    def DeselectAll(self, itemToLeaveSelected=-1):
        self._selected = {n for n in self._selected if n == itemToLeaveSelected}


class ComboBox(ListBox):
    def __init__(self, parent=None, id=ID_ANY, value="", *args, **kwargs):
        ListBox.__init__(self, parent, id, *args, **kwargs)
        self._value = value

    def GetValue(self):
        return self._value

    def SetValue(self, value):
        self._value = value


# ------------------------------------------------------------ sizers ---

class SizerItem:
    def __init__(self, item, args):
        self.item, self.args = item, args


class Sizer(Object):
    def __init__(self, *args, **kwargs):
        self._items = []

    def Add(self, item, *args, **kwargs):
        self._items.append(SizerItem(item, args))
        return self._items[-1]

    def AddSpacer(self, size):
        return self.Add(Size(size, size))

    def GetChildren(self):
        return list(self._items)

    def GetItemCount(self):
        return len(self._items)

    def _nothing(self, *args, **kwargs):
        return None

    (Layout, Fit, SetSizeHints, AddGrowableCol, AddGrowableRow, SetFlexibleDirection,
     SetNonFlexibleGrowMode, Realize, SetMinSize) = (_nothing,) * 9


class BoxSizer(Sizer):
    def __init__(self, orient=HORIZONTAL):
        Sizer.__init__(self)
        self.orient = orient


class FlexGridSizer(Sizer):
    pass


class StaticBoxSizer(BoxSizer):
    def __init__(self, box, orient=HORIZONTAL):
        BoxSizer.__init__(self, orient)
        self.box = box


class StdDialogButtonSizer(BoxSizer):
    def AddButton(self, button):
        self.Add(button)


# ------------------------------------------------- application and loop ---

class App(EvtHandler):
    def __init__(self, redirect=False, filename=None, useBestVisual=False, clearSigInt=True):
        global _app
        EvtHandler.__init__(self)
        _app = self
        if not self.OnInit():
            raise SystemExit("OnInit returned false, exiting...")

    def OnInit(self):
        return True

    def MainLoop(self):
        raise StandInOnly("running the main loop")

    def SetAssertMode(self, mode):
        self._assert_mode = mode

    def Destroy(self):
        global _app
        if _app is self:
            _app = None


class PySimpleApp(App):
    pass


def GetApp():
    return _app


def GetTopLevelWindows():
    return list(_top_level)


def CallAfter(function, *args, **kwargs):
    raise StandInOnly("calling later from the event loop")


class CallLater:
    def __init__(self, millis, function, *args, **kwargs):
        raise StandInOnly("calling later from the event loop")


class Timer(EvtHandler):
    def __init__(self, owner=None, id=ID_ANY):
        EvtHandler.__init__(self)

    def Start(self, milliseconds=-1, oneShot=False):
        raise StandInOnly("starting a timer")

    def Stop(self):
        pass

    def IsRunning(self):
        return False


class ModalDialogHook:
    def Register(self):
        pass

    def Unregister(self):
        pass


class GUIEventLoop:
    def __init__(self):
        raise StandInOnly("an event loop")


EventLoopActivator = GUIEventLoop


class Event(Object):
    def __init__(self, *args):
        self.args = args
        self._skipped = False

    def Skip(self, skip=True):
        self._skipped = skip


class CommandEvent(Event):
    pass


class CloseEvent(Event):
    pass


class KeyEvent(Event):
    pass


WXK_RETURN, WXK_ESCAPE, WXK_DELETE, WXK_NUMPAD_ENTER, WXK_NUMPAD_DELETE = 13, 27, 127, 370, 330


class Command(Object):
    def __init__(self, canUndo=False, name=""):
        self._can_undo, self._name = canUndo, name

    def CanUndo(self):
        return self._can_undo

    def GetName(self):
        return self._name


class CommandProcessor(Object):
    """Done commands before the cursor, undone ones after it."""

    def __init__(self, maxCommands=-1):
        self._commands, self._at = [], 0

    def Submit(self, command, storeIt=True):
        if not command.Do():
            return False
        del self._commands[self._at:]
        if storeIt:
            self._commands.append(command)
            self._at = len(self._commands)
        return True

    def CanUndo(self):
        return self._at > 0 and self._commands[self._at - 1].CanUndo()

    def CanRedo(self):
        return self._at < len(self._commands)

    def Undo(self):
        if self.CanUndo() and self._commands[self._at - 1].Undo():
            self._at -= 1
            return True
        return False

    def Redo(self):
        if self.CanRedo() and self._commands[self._at].Do():
            self._at += 1
            return True
        return False


def MessageBox(message, caption="Message", style=OK, parent=None, x=-1, y=-1):
    raise StandInOnly("showing a message box")


class _DialogStandIn(Dialog):
    def __init__(self, *args, **kwargs):
        raise StandInOnly("a native dialog")


MessageDialog = TextEntryDialog = FileDialog = DirDialog = SingleChoiceDialog = _DialogStandIn


class ImageList(Object):
    def __init__(self, width=16, height=16, mask=True, initialCount=1):
        self._images = []

    def Add(self, bitmap, *args):
        self._images.append(bitmap)
        return len(self._images) - 1

    def GetImageCount(self):
        return len(self._images)
