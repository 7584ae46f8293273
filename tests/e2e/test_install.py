"""The installed layout: `cmake --install` into a temporary DESTDIR, then the installed velmora
run from a read-only bin folder keeps its files in $XDG_DATA_HOME/velmora."""
import json
import os
import pwd
import re
import shutil
import signal
import subprocess
import tempfile
import time
import unittest

from harness import read_ini, write_ini

BUILD = os.environ.get("VELMORA_BUILD_DIR", "")


def cache_value(name):
    with open(os.path.join(BUILD, "CMakeCache.txt"), encoding="utf-8") as f:
        for line in f:
            if line.startswith(name + ":"):
                return line.split("=", 1)[1].strip()
    raise AssertionError(f"{name} not in the build's cache")


# root may write anywhere, so as root the program runs as nobody, for whom the installed bin
# folder is as read-only as /usr/bin is for a desktop user.
AS_USER = ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"] \
    if os.geteuid() == 0 else []


def make_user_dir(path):
    os.makedirs(path, exist_ok=True)
    if AS_USER:
        nobody = pwd.getpwnam("nobody")
        os.chown(path, nobody.pw_uid, nobody.pw_gid)
    os.chmod(path, 0o700)


class InstallTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.root = tempfile.mkdtemp(prefix="velmora-install-")
        os.chmod(cls.root, 0o755)
        cls.destdir = os.path.join(cls.root, "dest")
        env = dict(os.environ, DESTDIR=cls.destdir)
        subprocess.run(["cmake", "--install", BUILD], env=env, check=True,
                       stdout=subprocess.DEVNULL)
        cls.prefix = cls.destdir + cache_value("CMAKE_INSTALL_PREFIX")
        cls.bin = os.path.join(cls.prefix, "bin")
        cls.share = os.path.join(cls.prefix, "share")
        os.chmod(cls.bin, 0o555)

    @classmethod
    def tearDownClass(cls):
        os.chmod(cls.bin, 0o755)
        shutil.rmtree(cls.root, ignore_errors=True)

    def setUp(self):
        self.user = tempfile.mkdtemp(prefix="user-", dir=self.root)
        os.chmod(self.user, 0o755)
        self.data = os.path.join(self.user, "data")
        self.config = os.path.join(self.user, "config")
        runtime = os.path.join(self.user, "runtime")
        for path in (self.data, self.config, runtime):
            make_user_dir(path)
        self.home = os.path.join(self.data, "velmora")
        self.socket = os.path.join(runtime, "sim.sock")
        self.env = {k: v for k, v in os.environ.items()
                    if k not in ("VELMORA_HOME", "DISPLAY", "VELMORA_SIMULATOR")}
        self.env.update({"XDG_DATA_HOME": self.data, "XDG_CONFIG_HOME": self.config,
                         "XDG_RUNTIME_DIR": runtime, "HOME": self.user,
                         "QT_QPA_PLATFORM": "offscreen", "VELMORA_SIMULATOR": self.socket})
        self.procs = []

    def tearDown(self):
        for proc in self.procs:
            if proc.poll() is None:
                proc.send_signal(signal.SIGTERM)
            try:
                proc.communicate(timeout=20)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.communicate()

    def installed(self, name):
        return os.path.join(self.bin, name)

    def run_installed(self, *args, env=None):
        return subprocess.run(AS_USER + [self.installed("velmora"), *args], env=env or self.env,
                              capture_output=True, text=True, timeout=30)

    def start(self):
        """Starts a simulator world and the installed velmora; returns once its tray icon shows."""
        sim = subprocess.Popen(AS_USER + [self.installed("velmora-sim"), "serve", "--socket",
                                          self.socket], env=self.env,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.procs.append(sim)
        self.wait_for(lambda: os.path.exists(self.socket), "simulator socket")
        proc = subprocess.Popen(AS_USER + [self.installed("velmora")], env=self.env,
                                stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
        self.procs.insert(0, proc)
        self.wait_for(lambda: "tray" in self.sim_event_kinds(), "the tray icon")
        return proc

    def sim_event_kinds(self):
        out = subprocess.run([self.installed("velmora-sim"), "events"], env=self.env,
                             capture_output=True, text=True, timeout=30).stdout
        return {json.loads(line).get("kind") for line in out.splitlines() if line.strip()}

    def stop(self, proc):
        proc.send_signal(signal.SIGTERM)
        _, err = proc.communicate(timeout=30)
        self.assertEqual(proc.returncode, 0, err)
        return err

    def wait_for(self, predicate, what, timeout=30):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if predicate():
                return
            time.sleep(0.05)
        self.fail(f"timed out waiting for {what}")

    def read(self, path):
        with open(path, encoding="utf-8", errors="replace") as f:
            return f.read()

    def test_layout(self):
        expected = ["bin/velmora", "bin/velmora-sim", "bin/velmora-asr",
                    "share/velmora/languages.ini", "share/velmora/restart.sh",
                    "share/applications/velmora.desktop",
                    "share/metainfo/org.velmora.Velmora.metainfo.xml",
                    "share/icons/hicolor/scalable/apps/velmora.svg",
                    "share/icons/hicolor/16x16/apps/velmora.png",
                    "share/icons/hicolor/256x256/apps/velmora.png",
                    "share/man/man1/velmora.1.gz", "share/man/man1/velmora-sim.1.gz",
                    "share/man/man1/velmora-asr.1.gz",
                    "share/bash-completion/completions/velmora-sim",
                    "share/doc/velmora/copyright", "share/doc/velmora/changelog.gz"]
        for relative in expected:
            with self.subTest(path=relative):
                self.assertTrue(os.path.isfile(os.path.join(self.prefix, relative)))
        rules = [os.path.join(d, f) for d, _, files in os.walk(self.destdir) for f in files
                 if f == "70-velmora.rules"]
        self.assertEqual(len(rules), 1)
        self.assertTrue(re.search(r"/(etc|lib)/udev/rules\.d/70-velmora\.rules$", rules[0]))
        self.assertFalse([f for f in os.listdir(self.bin) if f.startswith(("test_", "bench_"))])

    def test_desktop_and_appstream_files_validate(self):
        for command in (["desktop-file-validate",
                         os.path.join(self.share, "applications/velmora.desktop")],
                        ["appstreamcli", "validate", "--no-net",
                         os.path.join(self.share, "metainfo/org.velmora.Velmora.metainfo.xml")]):
            with self.subTest(tool=command[0]):
                run = subprocess.run(command, capture_output=True, text=True)
                self.assertEqual(run.returncode, 0, run.stdout + run.stderr)

    def test_command_line(self):
        # A display that does not exist: touching it would end the process with an error.
        env = dict(self.env, DISPLAY=":987", QT_QPA_PLATFORM="xcb")
        rows = [(["--version"], 0, "Velmora 1.0.0\n", ""), (["--help"], 0, "Usage: velmora", ""),
                (["-h"], 0, "Usage: velmora", ""), (["--bogus"], 2, "", "Usage: velmora"),
                (["--version", "extra"], 2, "", "unknown option 'extra'")]
        for args, code, out, err in rows:
            with self.subTest(args=args):
                run = self.run_installed(*args, env=env)
                self.assertEqual(run.returncode, code, run.stderr)
                self.assertIn(out, run.stdout)
                self.assertIn(err, run.stderr)
        self.assertFalse(os.path.exists(self.home), "the command line created the program home")

    def test_settings_and_log_land_in_xdg_data_home(self):
        proc = self.start()
        self.wait_for(lambda: "message loop running" in self.read_if(os.path.join(self.home,
                                                                                   "log.log")),
                      "log.log in the program home")
        self.assertEqual(read_ini(os.path.join(self.home, "custom.ini"))["client"]["first"], "no")
        entry = self.read(os.path.join(self.config, "autostart", "Orvanta.desktop"))
        self.assertIn(f'Exec="{os.path.realpath(self.installed("velmora"))}"', entry)
        self.stop(proc)
        self.assertFalse({"custom.ini", "log.log"} & set(os.listdir(self.bin)))

    def read_if(self, path):
        return self.read(path) if os.path.exists(path) else ""

    def test_unwritable_data_home_is_reported(self):
        blocker = os.path.join(self.user, "file")
        open(blocker, "w").close()
        self.env["XDG_DATA_HOME"] = blocker
        err = self.stop(self.start())
        self.assertIn(f"cannot create the program home {blocker}/velmora/", err)

    def test_read_only_home_keeps_its_settings(self):
        make_user_dir(self.home)
        custom = os.path.join(self.home, "custom.ini")
        write_ini(custom, {"client": {"first": "yes", "uiLanguage": "lan_en"}})
        before = self.read(custom)
        os.chmod(self.home, 0o555)
        self.addCleanup(os.chmod, self.home, 0o700)
        err = self.stop(self.start())
        self.assertIn(f"the program home {self.home}/ is not writable", err)
        self.assertEqual(self.read(custom), before)

    def test_damaged_autostart_entry_of_an_older_install_is_rewritten(self):
        make_user_dir(self.home)
        write_ini(os.path.join(self.home, "custom.ini"), {"client": {"first": "no",
                                                                     "autoRun": "on"}})
        autostart = os.path.join(self.config, "autostart")
        make_user_dir(autostart)
        entry = os.path.join(autostart, "Orvanta.desktop")
        with open(entry, "wb") as f:
            f.write(b"[Desktop Entry\n\xff\xfeExec=/opt/old-velmora/velmora\n")
        if AS_USER:
            shutil.chown(entry, "nobody", "nogroup")
        err = self.stop(self.start())
        self.assertIn(f"autostart entry {entry} did not start", err)
        self.assertIn(f'Exec="{os.path.realpath(self.installed("velmora"))}"', self.read(entry))
        self.assertIn("rewritten", self.read(os.path.join(self.home, "log.log")))

    def test_half_installed_share_folder_is_reported(self):
        languages = os.path.join(self.share, "velmora", "languages.ini")
        os.rename(languages, languages + ".away")
        try:
            proc = self.start()
            self.wait_for(lambda: "missing" in self.read_if(os.path.join(self.home, "log.log")),
                          "the log line")
            err = self.stop(proc)
        finally:
            os.rename(languages + ".away", languages)
        self.assertIn(f"shipped file {languages} is missing", err)


if __name__ == "__main__":
    unittest.main()
