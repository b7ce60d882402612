"""What Orca speaks: Orca runs on the test's desktop in Chinese, its voice a
speech-dispatcher whose only output module writes each utterance on a line
of a file instead of sounding it. Mixed into a desktop with a session bus
and the accessibility bus (a11y.Reader)."""

import os
import shutil
import time

from desktop import StepFailed, trace

# speech-dispatcher's generic module runs this for every piece of speech;
# it quotes $DATA for the shell itself.
MODULE = """GenericExecuteSynth "printf '%%s\\\\n' \\'$DATA\\' >> %(spoken)s"
GenericCmdDependency "printf"
GenericLanguage "zh" "zh" "utf-8"
GenericLanguage "en" "en" "utf-8"
AddVoice "zh" "MALE1" "said"
AddVoice "en" "MALE1" "said"
DefaultVoice "said"
GenericDelimiters ""
"""

SPEECHD = """AddModule "said" "sd_generic" "said.conf"
DefaultModule said
LanguageDefaultModule "zh" "said"
DefaultLanguage "zh"
AudioOutputMethod "alsa"
AudioALSADevice "null"
"""


class Listener:
    """Orca, and the speech it makes, read back utterance by utterance."""

    def start_orca(self):
        self.spoken = os.path.join(self.work, "spoken.txt")
        open(self.spoken, "w").close()
        config = os.path.join(self.work, "speech")
        os.makedirs(os.path.join(config, "modules"), exist_ok=True)
        with open(os.path.join(config, "speechd.conf"), "w") as f:
            f.write(SPEECHD)
        with open(os.path.join(config, "modules", "said.conf"), "w") as f:
            f.write(MODULE % {"spoken": self.spoken})
        # The speech server of this desktop alone, ended with it; a module
        # sounds nothing, but speech-dispatcher wants an audio device all
        # the same: ALSA's null one.
        socket = os.path.join(self.work, "speechd.sock")
        self.spawn(["speech-dispatcher", "--run-single", "--timeout", "0", "--config-dir", config,
                    "--communication-method", "unix_socket", "--socket-path", socket,
                    "--log-dir", config])
        self.wait_for("speech-dispatcher to listen", 10, lambda: os.path.exists(socket))
        env = dict(self.env, SPEECHD_ADDRESS="unix_socket:" + socket, HOME=self.work,
                   XDG_DATA_HOME=os.path.join(self.work, "data"),
                   LANG="zh_CN.UTF-8", LANGUAGE="zh_CN", LC_ALL="zh_CN.UTF-8",
                   GSETTINGS_BACKEND="memory")
        self.orca_log = os.path.join(self.work, "orca.log")
        # Never `orca --replace`: it ends every Orca of the user, their own
        # screen reader included (orca_here.py).
        here = os.path.dirname(os.path.abspath(__file__))
        self.spawn(["/usr/bin/python3", os.path.join(here, "orca_here.py"), self.orca_log],
                   env=env)
        self.heard = 0
        self.wait_for("Orca to start speaking", 30, lambda: self.utterances())
        self.mark()  # that it is on

    def close(self):
        # TOCKMERE_ORCA_LOG=FILE keeps Orca's own account of what it heard.
        keep = os.environ.get("TOCKMERE_ORCA_LOG")
        if keep and getattr(self, "orca_log", None) and os.path.exists(self.orca_log):
            shutil.copyfile(self.orca_log, keep)
        super().close()

    def utterances(self):
        """Every utterance so far, in order."""
        with open(self.spoken, encoding="utf-8", errors="replace") as f:
            return [line.rstrip("\n") for line in f if line.strip()]

    def mark(self, quiet=0.6, timeout=5):
        """Once Orca has been silent a moment, speech from here on is what
        `said` returns next."""
        deadline = time.monotonic() + timeout
        count, since = len(self.utterances()), time.monotonic()
        while time.monotonic() - since < quiet and time.monotonic() < deadline:
            time.sleep(0.05)
            if len(self.utterances()) != count:
                count, since = len(self.utterances()), time.monotonic()
        self.heard = count

    def said(self, what, wanted, timeout=10, quiet=0.8):
        """Waits for Orca to say every text of `wanted` and then to fall
        silent; returns its utterances since the last mark, the echo of the
        keys pressed left out."""
        trace("wait for Orca to say %r" % (wanted,))
        deadline = time.monotonic() + timeout
        last, since = None, time.monotonic()
        while True:
            now = time.monotonic()
            lines = self.utterances()[self.heard:]
            if lines != last:
                last, since = lines, now
            # A key's echo is its name and a space; what Orca says of the
            # program ends otherwise.
            words = [line for line in lines if not line.endswith(" ")]
            text = " | ".join(words)
            if all(w in text for w in wanted) and now - since >= quiet:
                self.heard += len(lines)
                trace("Orca said: " + text)
                return words
            if now > deadline:
                raise StepFailed("waited %ds for Orca to say %s %r; it said %r"
                                 % (timeout, what, wanted, text))
            time.sleep(0.05)

    def silent(self, what, seconds):
        """Nothing is spoken for `seconds`."""
        self.mark()
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            time.sleep(0.1)
        lines = self.utterances()[self.heard:]
        if lines:
            raise StepFailed("Orca spoke %s: %r" % (what, lines))
