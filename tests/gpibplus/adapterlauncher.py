#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Runs a Windows test of the "++" link under Wine, with gpibsim-adapter processes at its call.

usage: adapterlauncher.py ADAPTER DOSDEVICES COMMAND...

gpibsim-adapter (ADAPTER) is a Linux program, which a program under Wine can neither start nor
stop. The launcher starts one for each connection to its TCP port on the loopback address, with
the arguments the connection sends, one a line, up to an empty line, and sends back each line
the adapter prints. A pseudo-terminal ("--pty") is served as a COM port: the launcher claims a
free comN in Wine's DOSDEVICES folder, the adapter puts its link there (--pty=LINK) and removes
it when it ends, and the "pty" line names the port, "pty COM23". The adapter is stopped when
the connection closes. COMMAND runs with GPIBSIM_ADAPTER_LAUNCHER set to the launcher's
address, and the launcher exits with its status.
"""
import os
import signal
import socketserver
import subprocess
import sys
import threading

PATIENCE_S = 10
# COM1 to COM9 are left to the ports Wine finds on the machine.
FIRST_PORT, LAST_PORT = 10, 255


class ComPort:
    """A comN link in Wine's DOSDEVICES folder claimed for one adapter: made first as a link
    to nowhere of our own, so that two launchers never take the same one."""

    def __init__(self, dosdevices):
        for number in range(FIRST_PORT, LAST_PORT + 1):
            self.link = os.path.join(dosdevices, f"com{number}")
            self.claim = f"/nonexistent/adapterlauncher-{os.getpid()}-{threading.get_ident()}"
            try:
                os.symlink(self.claim, self.link)
            except FileExistsError:
                continue
            self.name = f"COM{number}"
            return
        raise RuntimeError(f"no free COM port in {dosdevices}")

    def release(self):
        """Removes the claim where the adapter has not put its own link in its place."""
        try:
            if os.readlink(self.link) == self.claim:
                os.unlink(self.link)
        except OSError:
            pass


class Launcher(socketserver.ThreadingTCPServer):
    daemon_threads = True

    def __init__(self, adapter, dosdevices):
        super().__init__(("127.0.0.1", 0), Connection)
        self.adapter = adapter
        self.dosdevices = dosdevices
        self.running = set()
        self.lock = threading.Lock()


class Connection(socketserver.StreamRequestHandler):
    def handle(self):
        arguments = []
        for line in self.rfile:
            if line == b"\n":
                break
            arguments.append(line.rstrip(b"\n").decode())
        else:
            return  # gone before it said what to start
        port = ComPort(self.server.dosdevices) if "--pty" in arguments else None
        if port:
            arguments[arguments.index("--pty")] = "--pty=" + port.link
        environment = {name: value for name, value in os.environ.items()
                       if name not in ("GPIBSIM_BENCH", "GPIBSIM_DEVICES", "GPIBSIM_TRACE")}
        adapter = subprocess.Popen([self.server.adapter] + arguments, stdin=subprocess.DEVNULL,
                                   stdout=subprocess.PIPE, env=environment)
        with self.server.lock:
            self.server.running.add(adapter)
        relay = threading.Thread(target=self.relay, args=(adapter, port))
        relay.start()
        # Whatever else comes is dropped; the end of the connection, closed or reset, ends the
        # adapter.
        try:
            while self.request.recv(4096):
                pass
        except OSError:
            pass
        stop(adapter)
        relay.join()
        with self.server.lock:
            self.server.running.discard(adapter)
        if port:
            port.release()

    def relay(self, adapter, port):
        for line in adapter.stdout:
            if port and line.startswith(b"pty "):
                line = b"pty " + port.name.encode() + b"\n"
            try:
                self.wfile.write(line)
                self.wfile.flush()
            except OSError:
                break


def stop(adapter):
    if adapter.poll() is None:
        adapter.send_signal(signal.SIGTERM)
    try:
        adapter.wait(PATIENCE_S)
    except subprocess.TimeoutExpired:
        adapter.kill()
        adapter.wait()


def main():
    if len(sys.argv) < 4:
        sys.exit(__doc__.split("\n\n")[1])
    launcher = Launcher(sys.argv[1], sys.argv[2])
    serving = threading.Thread(target=launcher.serve_forever)
    serving.start()
    host, port = launcher.server_address
    environment = dict(os.environ, GPIBSIM_ADAPTER_LAUNCHER=f"{host}:{port}")
    try:
        status = subprocess.run(sys.argv[3:], env=environment).returncode
    finally:
        launcher.shutdown()
        with launcher.lock:
            left = list(launcher.running)
        for adapter in left:
            stop(adapter)
        launcher.server_close()
    sys.exit(status if status >= 0 else 128 - status)


if __name__ == "__main__":
    main()
