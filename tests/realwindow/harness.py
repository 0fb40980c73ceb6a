"""Drives a built program in the suite's X server the way a user does, and measures what it shows.

The scenarios in this folder are written once and run for every build: the build is chosen by
BRELUNDA_BUILD ("linux": the Qt program; "wine": Brelunda.exe under Wine) and started with
BRELUNDA_PROGRAM. Its clock is set with libfaketime, input is real (XTEST through xdotool), and
everything is measured from outside: xwininfo and xprop for places and sizes, screenshots by pixel.
"""

import contextlib
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import tomllib
import unittest

import numpy

BUILD = os.environ.get('BRELUNDA_BUILD', 'linux')
PROGRAM = os.environ.get('BRELUNDA_PROGRAM', '')
SOURCE = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..')
# The density the build runs at, as a factor of the layout's 96 dots per inch: 1.25 is 120 dpi.
SCALE = float(os.environ.get('BRELUNDA_SCALE', '1'))
DPI = round(96 * SCALE)


def scaled(pixels):
    """A length of the layout at the build's density, rounded to whole pixels as the builds round it."""
    return int(pixels * SCALE + 0.5)


MAIN_OUTER, ABOUT_OUTER = (scaled(610), scaled(468)), (scaled(346), scaled(357))
# The main window's labels in the client area's pixels at the layout's scale.
LABELS = {'L1': (120, 16, 441, 33), 'L2': (120, 56, 441, 33), 'L3': (120, 96, 441, 49), 'L4': (56, 152, 505, 257)}
# The About window's labels by name, and its two rules, in its client area's pixels.
ABOUT_LABELS = {'Label1': (32, 8, 289, 33), 'Label2(0)': (32, 56, 97, 17), 'Label2(1)': (32, 72, 185, 17),
                'Label3(0)': (192, 96, 137, 17), 'Label3(1)': (104, 112, 225, 17), 'Label3(2)': (32, 168, 297, 65),
                'Label4': (8, 248, 313, 65)}
DARK_RULE, LIGHT_RULE = (32, 87, 296, 2), (31, 90, 299, 1)
LABELS_RIGHT_EDGE = 561
# What runs the build at its density: Qt by a factor; Wine in a prefix of that many dots per inch
# (tests/run-suite.sh).
DENSITY = {} if SCALE == 1 else {'QT_SCALE_FACTOR': f'{SCALE:g}'} if BUILD == 'linux' else \
    {'WINEPREFIX': os.path.join(os.environ.get('BRELUNDA_WINEPREFIXES', ''), str(DPI))}


def run(*command, timeout=20, env=None):
    """A command's output, with env added to its environment."""
    done = subprocess.run(command, capture_output=True, text=True, timeout=timeout, env={**os.environ, **(env or {})})
    return done.stdout if done.returncode == 0 else fail(f'{" ".join(command)} failed: {done.stderr.strip()}')


def in_session_of_its_own():
    """Runs the scenario again in a D-Bus session of its own, and returns there. Without a runtime
    directory of its own the accessibility bus of every session listens on one path, and
    concurrent sessions take it from each other."""
    if '--own-session' in sys.argv:
        sys.argv.remove('--own-session')
        return
    runtime = tempfile.mkdtemp(prefix='brelunda-a11y-')
    status = subprocess.run(['dbus-run-session', '--', sys.executable, *sys.argv, '--own-session'],
                            env=dict(os.environ, XDG_RUNTIME_DIR=runtime)).returncode
    shutil.rmtree(runtime, ignore_errors=True)
    sys.exit(status)


def fail(message):
    raise AssertionError(message)


def wait_for(condition, timeout=5.0, pause=0.03):
    """Polls until the condition gives something true; returns it, or None when time is up."""
    end = time.monotonic() + timeout
    while True:
        value = condition()
        if value or time.monotonic() > end:
            return value
        time.sleep(pause)


def key(*keys):
    run('xdotool', 'key', *keys)


def choose(*keys):
    """Keys a user presses one after the other, giving a drop-down the time to open: ('alt+a', 's')."""
    for index, pressed in enumerate(keys):
        time.sleep(0.3 if index else 0)
        key(pressed)


def click(x, y):
    # No --sync: it waits for the pointer to move, forever when it is already there.
    run('xdotool', 'mousemove', str(x), str(y), 'click', '1')


def screen_size():
    return tuple(int(n) for n in re.search(r'Width: (\d+)\s+Height: (\d+)', run('xwininfo', '-root')).groups())


def pixels(*command):
    """The image an ImageMagick command writes, as a height x width x 3 array of signed values,
    ready for differences."""
    raw = subprocess.run([*command, '-depth', '8', 'ppm:-'], capture_output=True, check=True, timeout=20).stdout
    header = re.match(rb'P6\s+(\d+)\s+(\d+)\s+255\s', raw)
    width, height = int(header[1]), int(header[2])
    return numpy.frombuffer(raw[header.end():], numpy.uint8).reshape(height, width, 3).astype(numpy.int16)


def screenshot():
    """The whole screen."""
    return pixels('import', '-window', 'root')


def differing(a, b, tolerance=8):
    return int((numpy.abs(a - b) > tolerance).any(axis=2).sum()) if a.shape == b.shape else a.size + 1


def picture(scale=1, lower=0.0):
    """The background picture as shipped, decoded as the program's build decodes it. At a scale,
    enlarged smoothly: each pixel blended from the four nearest of the original by their distance,
    as both builds do; placed lower by a fraction of a pixel when asked."""
    original = pixels('convert', os.path.join(SOURCE, 'ui', 'assets', 'background.jpg'))
    if scale == 1 and not lower:
        return original

    def places(size, shift):
        """For each pixel of the result, the two of the original it lies between and the second's weight."""
        enlarged = int(size * scale + 0.5)
        at = numpy.clip((numpy.arange(enlarged) + 0.5 - shift) * size / enlarged - 0.5, 0, size - 1)
        first = at.astype(int)
        return first, numpy.minimum(first + 1, size - 1), at - first
    top, bottom, down = places(original.shape[0], lower)
    left, right, across = places(original.shape[1], 0)
    rows = original[top] * (1 - down)[:, None, None] + original[bottom] * down[:, None, None]
    blended = rows[:, left] * (1 - across)[None, :, None] + rows[:, right] * across[None, :, None]
    return (blended + 0.5).astype(numpy.int16)


def box(label):
    """A rectangle of the layout (x, y, width, height) at the build's density."""
    return tuple(scaled(v) for v in label)


def win32_probe(name, *arguments):
    """A probe's output, run under the same Wine as the program."""
    return run('wine', os.path.join(os.environ['BRELUNDA_WIN32_PROBES'], name), *arguments, timeout=30, env=DENSITY)


def ink_over(client, behind):
    """Where the client area differs from the picture, or from each of several pictures the build
    may have drawn: there is text. As tall and wide as both."""
    behind = behind if isinstance(behind, list) else [behind]
    height = min(client.shape[0], *(picture.shape[0] for picture in behind))
    width = min(client.shape[1], *(picture.shape[1] for picture in behind))
    return numpy.min([numpy.abs(client[:height, :width] - picture[:height, :width]).sum(axis=2)
                      for picture in behind], axis=0) >= 60


def layouts(*days):
    """How each label's text lays out at the build's density on those days, worked out from the
    window descriptions alone by the build's layout probe (GDI's wrapping under Wine, the fit
    report's measure for Qt): {day: {name: ((left, right) of its ink or None, [(top, bottom) of
    each line's ink])}}, in screen pixels from the label's top left corner, bottoms and rights one
    past."""
    days = [str(day) for day in days]
    if BUILD == 'wine':
        output, factor = win32_probe('layout_probe.exe', str(DPI), *days), 1
    else:
        env = {'QT_QPA_PLATFORM': 'offscreen', **DENSITY}
        output, factor = run(os.environ['BRELUNDA_LAYOUT_PROBE'], *days, timeout=60, env=env), SCALE
    found = {}
    for line in output.splitlines():
        day, name, _, left, right, *rows = line.split()
        columns = None if left == '-' else (int(left), int(right))
        found.setdefault(int(day), {})[name] = columns, [tuple(float(n) * factor for n in row.split(':')) for row in rows]
    return found


def about_ink(about):
    """Where the About window's client area differs from its background colour, the rules left out:
    there is its text."""
    x, y, width, height = about.client()
    client = screenshot()[y:y + height, x:x + width]
    colours, counts = numpy.unique(client.reshape(-1, 3), axis=0, return_counts=True)
    ink = numpy.abs(client - colours[counts.argmax()]).sum(axis=2) >= 60
    for left, top, w, h in map(box, (DARK_RULE, LIGHT_RULE)):
        ink[top:top + h, left:left + w] = False
    return ink


# How far apart a label's text on the screen and in its layout may lie: to the pixel under Wine,
# where the probe draws with GDI itself; for Qt, the font's outlines against its rendering at the
# scale.
LAYOUT_TOLERANCE = 1 if BUILD == 'wine' else 1 + SCALE


def misplaced_text(ink, labels, expected):
    """The labels whose text the screen shows laid out otherwise than expected (layouts()): another
    number of lines, its ink's first or last row or column further than the tolerance from where
    the layout puts them, or ink between its lines. Each as (name, (lines, top, bottom, left,
    right) seen, the same expected). labels: every label of the window by name, in the
    description's order; where two boxes overlap (by a row or two, below the earlier's text, where
    the later's starts), the ink is the later's. What lies outside a label's box is not expected
    to show."""
    ours = numpy.zeros(ink.shape, int)
    for number, label in enumerate(labels.values(), 1):
        x, y, w, h = box(label)
        ours[y:y + h, x:x + w] = number
    wrong = []
    for number, (name, label) in enumerate(labels.items(), 1):
        x, y, w, h = box(label)
        area = ink[y:y + h, x:x + w] & (ours[y:y + h, x:x + w] == number)
        columns, lines = expected[name]
        lines = [(max(top, 0), min(bottom, h)) for top, bottom in lines if top < h]
        rows, inked = numpy.nonzero(area.any(axis=1))[0], numpy.nonzero(area.any(axis=0))[0]
        seen = sum(((rows >= int(top)) & (rows < bottom)).any() for top, bottom in lines)
        between = sum(not any(top - LAYOUT_TOLERANCE <= row < bottom + LAYOUT_TOLERANCE for top, bottom in lines)
                      for row in rows)
        measured = (seen, rows[0], rows[-1] + 1, inked[0], inked[-1] + 1) if rows.size else (0,) * 5
        wanted = (len(lines), lines[0][0], lines[-1][1], *(columns or measured[3:]))
        if between or measured[0] != wanted[0] or any(abs(a - b) > LAYOUT_TOLERANCE
                                                      for a, b in zip(measured[1:], wanted[1:])):
            wrong.append((name, tuple(int(v) for v in measured), tuple(round(v, 1) for v in wanted)))
    return wrong


def cut_off(laid_out, labels):
    """The texts of a day's layouts() that reach outside their labels' boxes, by name: a line's ink
    below the box, or further beyond its sides than the tolerance (an italic letter's slant may
    pass its advance by a pixel of smoothing)."""
    cut = []
    for name, label in labels.items():
        _, _, width, height = box(label)
        columns, lines = laid_out[name]
        if lines[-1][1] > height or (columns and (columns[0] < -LAYOUT_TOLERANCE or columns[1] > width + LAYOUT_TOLERANCE)):
            cut.append(name)
    return cut


class Window:
    """A top-level window of the program, measured from outside."""

    def __init__(self, id, title):
        self.id, self.title = id, title
        self.win32_frame = None

    def client(self):
        """The X window's rectangle on the screen: x, y, width, height."""
        return tuple(int(n) for n in re.search(r'upper-left X:\s+(-?\d+)\s+Absolute upper-left Y:\s+(-?\d+)[\s\S]*?'
                                               r'Width: (\d+)\s+Height: (\d+)', run('xwininfo', '-id', self.id)).groups())

    def extents(self):
        """What the window manager draws around the X window: left, top, right, bottom; None until it has."""
        extents = re.search(r'= (\d+), (\d+), (\d+), (\d+)', run('xprop', '-id', self.id, '_NET_FRAME_EXTENTS'))
        return extents and tuple(int(extents[i]) for i in (1, 3, 2, 4))

    def frame(self):
        """Under Wine the X window is the client area with the menu bar; the window's Win32 frame
        (borders, and the caption over them) lies around it, drawn by the window manager instead.
        Its left, top, right and bottom in pixels, as the Wine that runs the window lays it out."""
        if self.win32_frame is None:
            self.win32_frame = tuple(int(n) for n in win32_probe('frame_probe.exe', self.title).split())
        return self.win32_frame

    def decorated(self, win32=False):
        """The X window with the window manager's frame: where its title bar and borders are; or
        with the Win32 frame, which under Wine the window manager draws its own in place of."""
        (x, y, width, height), frame = self.client(), self.frame() if win32 else self.extents()
        left, top, right, bottom = frame or (0, 0, 0, 0)
        return x - left, y - top, width + left + right, height + top + bottom

    def outer(self):
        """The program's own outer rectangle."""
        return self.decorated(BUILD == 'wine')

    def size(self):
        return self.outer()[2:]

    def centred(self):
        (x, y, width, height), (screen_width, screen_height) = self.outer(), screen_size()
        return abs(2 * x + width - screen_width) <= 2 and abs(2 * y + height - screen_height) <= 2

    def state(self):
        return run('xprop', '-id', self.id, '_NET_WM_STATE')

    def activate(self):
        """Makes it the active window, asking again when a moment later the window manager has
        another: under Wine 10 a minimised window restored by openbox is active for an instant,
        then openbox has none (as with a bare Win32 window), and keys go nowhere."""
        for _ in range(5):
            run('xdotool', 'windowactivate', '--sync', self.id)
            time.sleep(0.05)
            active = subprocess.run(['xdotool', 'getactivewindow'], capture_output=True, text=True)
            if active.stdout.strip() == self.id:
                return
        fail(f'window {self.id} does not stay active')

    def settled(self, timeout=5.0):
        """Waits until the outer rectangle holds still for a while; returns it."""
        seen = [self.outer()]
        wait_for(lambda: seen.append(self.outer()) or seen[-4:] == [seen[-1]] * 4, timeout, 0.05)
        return seen[-1]

    def keeps(self, size, seconds=0.4):
        """Whether the window stays at that size for a while, polled rather than looked at once."""
        return not wait_for(lambda: self.size() != size, seconds)


class Program:
    """The built program, started with its clock on a day of December 2026 (or at any libfaketime
    setting, or with the machine's own clock when neither is given)."""

    def __init__(self, day=15, clock=None, environment=None, command=None):
        env = dict(os.environ, **(environment or {}))
        if day or clock:
            # The multi-threaded library: with the plain one a Qt event loop now and then stalls. File
            # times stay real: faked ones make fontconfig think its caches stale and rewrite them.
            env.update(LD_PRELOAD='/usr/lib/x86_64-linux-gnu/faketime/libfaketimeMT.so.1', NO_FAKE_STAT='1',
                       FAKETIME=clock or f'@2026-12-{day:02d} 10:00:00', FAKETIME_DONT_FAKE_MONOTONIC='1')
        env.pop('QT_QPA_PLATFORM', None)
        env.update(DENSITY)
        command = command or [PROGRAM]
        self.process = subprocess.Popen((['wine'] if BUILD == 'wine' else []) + command, env=env,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)

    def __enter__(self):
        return self

    def __exit__(self, *failure):
        self.close()

    def close(self):
        self.process.kill()
        self.process.communicate(timeout=10)
        # libfaketime shares its clock among the program's processes through two objects named after
        # the first one, and removes them only when that process exits of itself. Left behind, they
        # stop the faketime command from starting in whichever process later has the same number.
        for name in (f'faketime_shm_{self.process.pid}', f'sem.faketime_sem_{self.process.pid}'):
            with contextlib.suppress(FileNotFoundError):
                os.unlink(os.path.join('/dev/shm', name))

    def windows(self, title):
        found = subprocess.run(['xdotool', 'search', '--all', '--onlyvisible', '--pid', str(self.process.pid),
                                '--name', f'^{title}$'], capture_output=True, text=True)
        return [Window(id, title) for id in found.stdout.split()]

    def window(self, title, timeout=15, framed=True):
        """The visible window with that title, once the window manager has framed it."""
        found = wait_for(lambda: [w for w in self.windows(title) if w.extents() or not framed], timeout, 0.05)
        said = self.process.stderr.read() if self.process.poll() is not None else '(still running)'
        return found[-1] if found else fail(f'no framed window titled {title}; the program said: {said}')

    def wait(self, timeout=10):
        return self.process.wait(timeout)


class MainWindow(Program):
    """The program's main window as a user sees it: where its client area starts, what it shows,
    where the titles of its menu bar are."""

    def __init__(self, day=15, framed=True, **options):
        super().__init__(day, **options)
        self.main = self.window('Brelunda', framed=framed)
        self.main.settled()
        self.main.activate()
        self.locate()
        # The labels may be drawn a moment after the picture that told where the client area is.
        wait_for(lambda: differing(self.client_area(), self.client_area()) == 0, 3, 0.1)

    def locate(self):
        """The picture's corner is free of text, so it tells where the client area starts."""
        corner = picture(SCALE)[:scaled(40), :scaled(100)]

        # Enlarged, it is found loosely: how closely it matches is for the scale's own test to judge.
        tolerance, allowed = (2, 0) if SCALE == 1 else (40, corner.size // 30)

        def found():
            x, y, width, height = self.main.client()
            shot = screenshot()
            misses = [differing(shot[y + dy:y + dy + corner.shape[0], x:x + corner.shape[1]], corner, tolerance)
                      for dy in range(scaled(60))]
            dy = min(range(len(misses)), key=misses.__getitem__)
            return (x, y, width, height, dy) if misses[dy] <= allowed else None
        x, y, width, height, self.menu_height = wait_for(found, 5) or fail("no picture at the client area's corner")
        self.origin = (x, y + self.menu_height)
        self.area = (x, y + self.menu_height, width, height - self.menu_height)

    def reading_faults(self, laid_out, behind=None):
        """How the client area shows the reading otherwise than the day's layouts() lay it out, an
        empty list when it does not: ink over the picture outside every label, ink in them that is
        not green, the right-aligned verse and commentary ending off the labels' common right edge,
        the labels misplaced_text finds. behind: the picture or pictures the build may have drawn
        (ink_over). The outermost pixels of the client area are not counted outside: a picture
        placed between two pixels shares them with what lies next to it."""
        client = self.client_area()
        ink = ink_over(client, picture(SCALE) if behind is None else behind)
        red, green, blue = (client[:ink.shape[0], :ink.shape[1], channel] for channel in range(3))
        inside = numpy.zeros(ink.shape, bool)
        for x, y, w, h in map(box, LABELS.values()):
            inside[y:y + h, x:x + w] = True
        outside = (ink & ~inside)[1:-1, 1:-1].sum()
        not_green = (ink & inside & ((green < red) | (green < blue))).sum()
        faults = [f'{count} pixels of ink {what}' for count, what in
                  [(outside, 'outside the labels'), (not_green, 'in the labels, not green')] if count]
        edge, tolerance = scaled(LABELS_RIGHT_EDGE), 1 if SCALE == 1 else 2
        for name in ('L3', 'L4'):
            x, y, w, h = box(LABELS[name])
            columns = numpy.nonzero(ink[y:y + h, x:x + w].any(axis=0))[0]
            end = x + int(columns[-1]) + 1 if columns.size else 0
            faults += [f'{name} ends at column {end}, not {edge}'] if abs(end - edge) > tolerance else []
        return faults + misplaced_text(ink, LABELS, laid_out)

    def client_area(self, shot=None):
        x, y, width, height = self.area
        return (screenshot() if shot is None else shot)[y:y + height, x:x + width]

    def shows(self, expected, timeout=3.0):
        """Polls until the client area shows exactly that picture."""
        if not wait_for(lambda: differing(self.client_area(), expected) == 0, timeout):
            return False
        # The menu bar keeps an item highlighted for a moment after its access key; a key pressed
        # meanwhile goes to the highlighted bar instead.
        time.sleep(0.15)
        return True

    def still_shows(self, expected):
        """After a command that must do nothing: time for it to do something all the same."""
        time.sleep(0.4)
        return differing(self.client_area(), expected) == 0

    def menu_titles(self, shot=None):
        """The five titles on the menu bar, as (left, top, right, bottom) around their letters."""
        shot = screenshot() if shot is None else shot
        x, y, width, _ = self.main.client()
        bar = shot[y + 2:y + self.menu_height - 1, x:x + width].mean(axis=2) < 215
        columns = numpy.nonzero(bar.any(axis=0))[0]
        titles = []
        for column in columns:
            rows = numpy.nonzero(bar[:, column])[0]
            box = [x + column, y + 2 + rows[0], x + column, y + 2 + rows[-1]]
            if titles and column - (titles[-1][2] - x) <= 6 * SCALE:
                titles[-1] = [titles[-1][0], min(titles[-1][1], box[1]), box[2], max(titles[-1][3], box[3])]
            else:
                titles.append(box)
        return titles

    def open_about(self, by_keys=True):
        """Opens the About window by "Aj&uda" > "&Sobre", by keys or clicks; returns it, settled."""
        # The letter may come before the drop-down is open (a busy program): then it is tried again.
        for attempt in range(3):
            if by_keys:
                choose('alt+u', 's')
            else:
                left, _, right, _ = self.menu_titles()[4]
                click((left + right) // 2, self.origin[1] - 2)
                time.sleep(0.3)
                # Its drop-down holds one item, just below the bar.
                click((left + right) // 2 + 10, self.origin[1] + 10)
            if wait_for(lambda: self.windows('Mensagens'), 3):
                break
            key('Escape')
        about = self.window('Mensagens')
        about.settled()
        return about

    def close_about(self, about):
        about.activate()
        key('alt+F4')
        return wait_for(lambda: not self.windows('Mensagens'))

    def click_title(self, index):
        left, top, right, bottom = self.menu_titles()[index]
        click((left + right) // 2, (top + bottom) // 2)
        # Off the bar again: a pointer left over a title keeps it highlighted.
        run('xdotool', 'mousemove', '0', '0')

    @staticmethod
    def greyed(shot, title):
        """Whether a title's letters are drawn greyed, as a disabled item's are."""
        left, top, right, bottom = title
        darkest = shot[top:bottom + 1, left:right + 1].mean(axis=2).min()
        return darkest > 120 if not 80 <= darkest <= 120 else fail(f'a menu title neither black nor grey ({darkest})')


def readings():
    """Each day's four label texts as the catalogue gives them."""
    with open(os.path.join(SOURCE, 'messages', 'catalogue.toml'), 'rb') as source:
        entries = tomllib.load(source)['entry']
    return {entry['day']: [entry['day_text'], entry['title'], '\n'.join(entry['verse']),
                           '\n'.join(entry['commentary'])] for entry in entries}


def credits():
    """The About window's texts, in the order they are laid out, top to bottom."""
    with open(os.path.join(SOURCE, 'messages', 'credits.toml'), 'rb') as source:
        return list(tomllib.load(source).values())


def places_from_first_show(program, title, seconds=0.4):
    """Every rectangle the window is seen at from the moment it is first visible, in order."""
    window, places = wait_for(lambda: program.windows(title), 15, 0)[-1], []
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        place = window.client()
        places += [place] if not places or places[-1] != place else []
    return places


_references = {}


def reference(day):
    """What the program shows when started on that day, with no other window open."""
    if day not in _references:
        with MainWindow(day) as program:
            _references[day] = program.client_area()
    return _references[day]


def main():
    if not os.environ.get('DISPLAY'):
        raise SystemExit('run under tools/with-display.sh')
    unittest.main(verbosity=2)
