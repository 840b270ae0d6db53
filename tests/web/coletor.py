#!/usr/bin/python3
"""The handheld app in a real browser (headless Chromium) against the service
that `ambitra-cli serve` runs on loopback, one scenario per run:

    coletor.py --cli PATH/ambitra-cli SCENARIO

Each scenario makes its own register (imported by ambitra-cli), starts the
service, trusts its certificate authority in a private NSS database and checks
the register with ambitra-cli afterwards. Exit 77 (skipped) when the browser, its
driver or the service's command is missing."""

import argparse
import csv
import os
import shutil
import signal
import socket
import sqlite3
import subprocess
import sys
import tempfile
import threading
import time

CHROMIUM = '/usr/bin/chromium'
CHROMEDRIVER = '/usr/bin/chromedriver'
SKIP = 77


def ean(data):
    """The code with its EAN check digit."""
    total = sum(int(d) * (3 if (len(data) - i) % 2 == 1 else 1) for i, d in enumerate(data))
    return data + str((10 - total % 10) % 10)


MESA = ean('789100010010')      # EAN-13, location 0001
CADEIRA = ean('789100010020')   # EAN-13, location 0001
ARMARIO = ean('789100010030')   # EAN-13, location 0002
ETIQUETA8 = ean('9638507')      # EAN-8, location 0001
PATRIMONIO = 'PAT-0042'         # Code 128, location 0001
NOVO = ean('789100010099')      # not in the register
TROCADO = MESA[:-1] + str((int(MESA[-1]) + 1) % 10)  # MESA with a wrong check digit


def free_port():
    with socket.socket() as s:
        s.bind(('127.0.0.1', 0))
        return s.getsockname()[1]


class Register:
    """A program folder with a register imported by ambitra-cli."""

    def __init__(self, cli, root):
        self.cli = cli
        self.dir = os.path.join(root, 'app')
        os.makedirs(self.dir)
        self.write('ambitra.ini', '[PREFS]\r\nCSV=1\r\nCodeBar=EAN13\r\n')
        self.write('OPERADOR.CSV', '"OP1","123","ANA"\r\n"OP2","","BIA"\r\n')
        self.write('LOCAIS.CSV', '"0001","P01","D01","S001"\r\n"0002","P01","D02","S002"\r\n')
        rows = [(MESA, 'MESA', '0001'), (CADEIRA, 'CADEIRA', '0001'), (ARMARIO, 'ARMARIO', '0002'),
                (ETIQUETA8, 'MONITOR', '0001'), (PATRIMONIO, 'IMPRESSORA', '0001')]
        self.write('BENS.CSV', ''.join(f'"{c}","{n}","{l}",,"01",,0\r\n' for c, n, l in rows))
        self.run('import')
        # Condition codes have no exchange file: the test's register is SQLite.
        with sqlite3.connect(os.path.join(self.dir, 'Ambitra.db')) as db:
            db.executemany('INSERT INTO Status (STCODIGO, STTEXTO) VALUES (?, ?)',
                           [('01', 'BOM'), ('02', 'REGULAR'), ('03', 'RUIM')])

    def write(self, name, text):
        with open(os.path.join(self.dir, name), 'w', encoding='cp1252', newline='') as f:
            f.write(text)

    def run(self, *args):
        done = subprocess.run([self.cli, '--app-dir', self.dir, *args], capture_output=True, text=True)
        if done.returncode != 0:
            raise AssertionError(f'ambitra-cli {" ".join(args)}: {done.returncode}\n{done.stdout}{done.stderr}')
        return done.stdout

    def assets(self):
        """The register's assets by code, as the export writes them."""
        self.run('export', '--table', 'Bens')
        with open(os.path.join(self.dir, 'BENS.CSV'), encoding='cp1252', newline='') as f:
            return {row[0]: row for row in csv.reader(f)}

    def log_rows(self, code):
        """The inventory-log rows of an asset."""
        path = os.path.join(self.dir, 'log.csv')
        self.run('log', '--all', '--csv', path)
        with open(path, encoding='cp1252', newline='') as f:
            return [row for row in csv.reader(f, delimiter=',') if code in row]


class Service:
    """`ambitra-cli serve` on loopback; stop() and start() again keep its folder."""

    def __init__(self, register):
        self.register = register
        self.port = free_port()
        self.setup_port = free_port()
        self.process = None
        self.code = None

    def start(self):
        self.process = subprocess.Popen(
            [self.register.cli, '--app-dir', self.register.dir, 'serve', '--port', str(self.port),
             '--setup-port', str(self.setup_port)],
            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        deadline = time.monotonic() + 30
        lines = []
        while time.monotonic() < deadline:
            line = self.process.stdout.readline()
            if not line:
                break
            lines.append(line)
            if line.startswith('Código de pareamento: '):
                self.code = line.split(': ', 1)[1].strip()
                threading.Thread(target=self.process.stdout.read, daemon=True).start()
                wait_port(self.port)
                return
        self.process.kill()
        raise AssertionError('the service printed no pairing code:\n' + ''.join(lines))

    def stop(self):
        self.process.send_signal(signal.SIGTERM)
        assert self.process.wait(15) == 0, 'the service did not stop cleanly'

    @property
    def authority(self):
        return os.path.join(self.register.dir, 'Certificados', 'autoridade.pem')


def wait_port(port):
    deadline = time.monotonic() + 15
    while time.monotonic() < deadline:
        try:
            socket.create_connection(('127.0.0.1', port), 0.5).close()
            return
        except OSError:
            time.sleep(0.1)
    raise AssertionError(f'nothing listens on {port}')


class LosingProxy:
    """A TCP relay in front of the service that, while `losing` is set, lets
    requests through but drops the answers and closes the browser's connection."""

    def __init__(self, port):
        self.target = port
        self.listener = socket.create_server(('127.0.0.1', 0))
        self.port = self.listener.getsockname()[1]
        self.losing = False
        self.lost = 0
        threading.Thread(target=self.accept, daemon=True).start()

    def accept(self):
        while True:
            client, _ = self.listener.accept()
            server = socket.create_connection(('127.0.0.1', self.target))
            threading.Thread(target=self.pump, args=(client, server, False), daemon=True).start()
            threading.Thread(target=self.pump, args=(server, client, True), daemon=True).start()

    def pump(self, source, sink, answers):
        try:
            while data := source.recv(65536):
                if answers and self.losing:
                    self.lost += 1
                    break
                sink.sendall(data)
        except OSError:
            pass
        for s in (source, sink):
            try:
                s.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass
            s.close()


class Browser:
    def __init__(self, root, authority, video=None):
        from selenium import webdriver
        from selenium.webdriver.chrome.service import Service as DriverService
        home = os.path.join(root, 'home')
        nss = os.path.join(home, '.pki', 'nssdb')
        os.makedirs(nss)
        subprocess.run(['certutil', '-N', '-d', f'sql:{nss}', '--empty-password'], check=True)
        subprocess.run(['certutil', '-d', f'sql:{nss}', '-A', '-t', 'C,,', '-n', 'Ambitra', '-i', authority],
                       check=True)
        os.environ['HOME'] = home
        options = webdriver.ChromeOptions()
        options.binary_location = CHROMIUM
        for flag in ('--headless=new', '--no-sandbox', '--disable-dev-shm-usage', '--window-size=360,740',
                     f'--user-data-dir={os.path.join(root, "perfil")}', '--no-first-run',
                     '--use-fake-ui-for-media-stream', '--autoplay-policy=no-user-gesture-required'):
            options.add_argument(flag)
        if video:
            options.add_argument('--use-fake-device-for-media-stream')
            options.add_argument(f'--use-file-for-fake-video-capture={video}')
        self.driver = webdriver.Chrome(service=DriverService(CHROMEDRIVER), options=options)
        self.driver.set_script_timeout(30)

    def open(self, url):
        self.driver.get(url)
        self.until(lambda: self.js('return document.body.dataset.pronto') == '1', 'the app to start')

    def js(self, script, *args):
        return self.driver.execute_script(script, *args)

    def until(self, condition, what, timeout=20):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            try:
                if condition():
                    return
            except Exception:  # the page may be between loads
                pass
            time.sleep(0.1)
        raise AssertionError(f'timed out waiting for {what}; message: {self.message()!r}; '
                             f'screen: {self.screen()!r}')

    def by_id(self, element_id):
        return self.driver.find_element('id', element_id)

    def screen(self):
        return self.js('return document.body.dataset.tela')

    def message(self):
        return self.js('const m = document.getElementById("mensagem"); return m.hidden ? "" : m.textContent')

    def pending(self):
        return self.by_id('pendentes').text

    def wedge(self, code):
        """A wedge scanner: the keys of the code and Enter into whatever has the focus."""
        active = self.driver.switch_to.active_element
        assert active.get_attribute('id') == 'leitor', f'the focus is on {active.get_attribute("id")!r}'
        assert active.get_attribute('inputmode') == 'none'
        self.js('const m = document.getElementById("mensagem"); m.textContent = ""; m.hidden = true')
        active.send_keys(code + '\n')
        self.until(lambda: self.message() != '', f'the answer to {code}')
        return self.message()

    def new_asset(self, code, name):
        """An unknown code asks for its description."""
        self.driver.switch_to.active_element.send_keys(code + '\n')
        self.until(lambda: self.by_id('dialogo-bem').get_property('open'), 'the new asset dialog')
        self.by_id('bem-nome').send_keys(name + '\n')
        self.until(lambda: 'bem novo' in self.message(), 'the new asset')

    def pair_and_login(self, base, code, locations=('0001', '0002')):
        self.open(f'{base}/#codigo={code}')
        assert self.screen() == 'pareamento', self.screen()
        assert self.by_id('codigo-pareamento').get_attribute('value') == code
        self.by_id('nome-coletor').send_keys('Coletor de teste\n')
        self.until(lambda: self.screen() == 'carga', 'the load screen')
        boxes = self.driver.find_elements('css selector', '#lista-locais input')
        assert sorted(b.get_attribute('value') for b in boxes) == ['0001', '0002']
        for box in boxes:
            if box.is_selected() != (box.get_attribute('value') in locations):
                box.click()
        self.by_id('form-carga').submit()
        self.until(lambda: self.screen() == 'login', 'the login screen')
        self.by_id('senha').send_keys('errada\n')
        self.until(lambda: self.message() == 'Operador ou senha incorretos.', 'the refusal')
        self.by_id('senha').send_keys('123\n')
        self.until(lambda: self.screen() == 'leitura', 'the count screen')

    def send(self):
        self.by_id('enviar').click()
        self.until(lambda: not self.by_id('enviar').get_property('disabled') and
                   self.message().startswith(('Leituras enviadas', 'Sem conexão')), 'the send')
        return self.message()

    def close(self):
        self.driver.quit()


def scenario_pairing(ctx):
    b, service = ctx.browser(), ctx.service
    b.open(ctx.base)
    b.by_id('codigo-pareamento').send_keys('000000' if service.code != '000000' else '111111')
    b.by_id('nome-coletor').send_keys('Coletor errado\n')
    b.until(lambda: b.message() == 'Código de pareamento inválido.', 'the refusal of a wrong code')
    assert b.screen() == 'pareamento'
    b.pair_and_login(ctx.base, service.code)
    assert 'ANA' in b.by_id('operador-atual').text
    # The pairing survives a reload: the app opens on the count.
    b.driver.refresh()
    b.until(lambda: b.js('return document.body.dataset.pronto') == '1' and b.screen() == 'leitura', 'the reload')


def scenario_wedge(ctx):
    b = ctx.browser()
    b.pair_and_login(ctx.base, ctx.service.code)
    assert 'Local 0001' in b.wedge('0001')
    assert MESA + ' MESA' in b.wedge(MESA)
    assert b.pending() == 'Não enviadas: 1'
    assert 'leitura atualizada' in b.wedge(MESA)
    assert b.pending() == 'Não enviadas: 1'
    assert 'pertence a outro local: 0002' in b.wedge(ARMARIO)
    refused = b.wedge(TROCADO)
    assert 'dígito verificador' in refused, refused
    assert b.pending() == 'Não enviadas: 2'
    # A scanner sending one code twice in quick succession: one reading.
    b.driver.switch_to.active_element.send_keys(f'{ETIQUETA8}\n{ETIQUETA8}\n')
    b.until(lambda: 'leitura atualizada' in b.message(), 'the second of two quick scans')
    assert b.pending() == 'Não enviadas: 3'
    b.new_asset(NOVO, 'ESTANTE')
    b.until(lambda: b.driver.switch_to.active_element.get_attribute('id') == 'leitor', 'the focus back')
    assert b.wedge(CADEIRA)
    b.by_id('desfazer').click()
    b.until(lambda: b.message() == f'Leitura de {CADEIRA} desfeita.', 'the undo')
    assert b.pending() == 'Não enviadas: 4'
    seen = b.by_id('lidos').text
    expected = b.by_id('esperados').text
    assert MESA in seen and ARMARIO in seen and NOVO in seen and CADEIRA not in seen, seen
    assert CADEIRA in expected and PATRIMONIO in expected and MESA not in expected, expected
    assert b.send().startswith('Leituras enviadas: 4 aplicadas'), b.message()
    assert b.pending() == 'Não enviadas: 0'
    assets = ctx.register.assets()
    # Read twice at its own location, unchanged: applied once, no log row.
    assert assets[ETIQUETA8][9] == 'ANA' and not ctx.register.log_rows(ETIQUETA8), assets
    assert assets[ARMARIO][2] == '0001' and assets[NOVO][1] == 'ESTANTE', assets
    assert assets[MESA][9] == 'ANA', assets[MESA]
    assert TROCADO not in assets and assets[CADEIRA][9] == '', assets


def make_video(root):
    """A clip that shows an EAN-13, an EAN-8 and a Code 128 in turn."""
    frames = []
    for i, (symbology, data) in enumerate([('13', MESA[:12]), ('13', ETIQUETA8[:7]), ('20', PATRIMONIO)]):
        png = os.path.join(root, f'codigo{i}.png')
        subprocess.run(['zint', '-b', symbology, '--scale=4', '--whitesp=10', '--vwhitesp=10',
                        '-o', png, '-d', data], check=True)
        frames.append(png)
    video = os.path.join(root, 'camera.y4m')
    inputs = []
    for png in frames:
        inputs += ['-loop', '1', '-t', '3', '-i', png]
    fit = ('scale=600:440:force_original_aspect_ratio=decrease,'
           'pad=640:480:(ow-iw)/2:(oh-ih)/2:white,format=yuv420p,fps=10')
    chains = ';'.join(f'[{i}:v]{fit}[v{i}]' for i in range(len(frames)))
    joined = ''.join(f'[v{i}]' for i in range(len(frames)))
    subprocess.run(['ffmpeg', '-loglevel', 'error', '-y', *inputs, '-filter_complex',
                    f'{chains};{joined}concat=n={len(frames)}:v=1:a=0[out]', '-map', '[out]',
                    '-pix_fmt', 'yuv420p', video], check=True)
    return video


def scenario_camera(ctx):
    b = ctx.browser(video=make_video(ctx.root))
    b.pair_and_login(ctx.base, ctx.service.code)
    b.wedge('0001')
    b.by_id('camera').click()
    for code in (MESA, ETIQUETA8, PATRIMONIO):
        b.until(lambda: code in b.by_id('lidos').text, f'the camera to read {code}', timeout=40)
    b.by_id('camera').click()
    assert b.pending() == 'Não enviadas: 3'


def scenario_offline(ctx):
    b = ctx.browser()
    b.pair_and_login(ctx.base, ctx.service.code)
    b.until(lambda: b.js('return !!navigator.serviceWorker.controller'), 'the service worker')
    assert b.by_id('aviso-aba').get_property('hidden')
    b.wedge('0001')
    b.wedge(MESA)
    ctx.service.stop()
    b.wedge(CADEIRA)
    b.wedge(ARMARIO)
    assert b.send().startswith('Sem conexão'), b.message()
    assert b.pending() == 'Não enviadas: 3'
    # The page comes back from the service worker and the readings from IndexedDB.
    b.driver.refresh()
    try:
        b.driver.switch_to.alert.accept()  # the warning about unsent readings
    except Exception:
        pass
    b.until(lambda: b.js('return document.body.dataset.pronto') == '1', 'the app offline')
    assert b.screen() == 'leitura' and 'Local 0001' in b.by_id('local-atual').text
    assert b.pending() == 'Não enviadas: 3'
    b.wedge(ETIQUETA8)
    ctx.service.start()
    assert b.send().startswith('Leituras enviadas: 4 aplicadas'), b.message()
    assert b.pending() == 'Não enviadas: 0'
    assets = ctx.register.assets()
    for code in (MESA, CADEIRA, ARMARIO, ETIQUETA8):
        assert assets[code][9] == 'ANA', assets[code]
    # Only the asset found away from its location changed: one log row, once.
    assert not any(ctx.register.log_rows(code) for code in (MESA, CADEIRA, ETIQUETA8))
    assert assets[ARMARIO][2] == '0001'
    assert len(ctx.register.log_rows(ARMARIO)) == 1, ctx.register.log_rows(ARMARIO)


def scenario_resend(ctx):
    proxy = LosingProxy(ctx.service.port)
    base = f'https://127.0.0.1:{proxy.port}'
    b = ctx.browser()
    b.pair_and_login(base, ctx.service.code)
    b.wedge('0001')
    b.wedge(ARMARIO)
    b.new_asset(NOVO, 'ESTANTE')
    proxy.losing = True
    assert b.send().startswith('Sem conexão'), b.message()
    proxy.losing = False
    assert proxy.lost > 0
    assert b.pending() == 'Não enviadas: 2'
    assert ctx.register.assets()[ARMARIO][2] == '0001'  # the lost answer's request was applied
    message = b.send()
    assert 'já recebidas' in message and b.pending() == 'Não enviadas: 0', message
    assert len(ctx.register.log_rows(ARMARIO)) == 1, ctx.register.log_rows(ARMARIO)
    assert len(ctx.register.log_rows(NOVO)) == 1, ctx.register.log_rows(NOVO)


def scenario_blind(ctx):
    """A blind inventory: the app shows neither what is expected nor where an asset belongs."""
    ctx.register.run('inventory', 'new', '--title', 'Cego', '--kind', 'Anual', '--blind')
    b = ctx.browser()
    b.pair_and_login(ctx.base, ctx.service.code)
    assert b.wedge('0001') == 'Local 0001.', b.message()
    assert not b.by_id('esperados').is_displayed() and not b.by_id('titulo-esperados').is_displayed()
    answer = b.wedge(ARMARIO)
    assert ARMARIO in answer and 'outro local' not in answer, answer
    assert b.send().startswith('Leituras enviadas: 1 aplicadas'), b.message()
    # The desktop knew where it was expected.
    report = ctx.register.run('inventory', 'report', '1')
    assert f'found_elsewhere\t{ARMARIO}\tARMARIO\t0002\t0001\n' in report, report


SCENARIOS = {'pareamento': scenario_pairing, 'leitor': scenario_wedge, 'camera': scenario_camera,
             'offline': scenario_offline, 'reenvio': scenario_resend, 'cego': scenario_blind}


class Context:
    def __init__(self, cli, root):
        self.root = root
        self.register = Register(cli, root)
        self.service = Service(self.register)
        self.base = f'https://127.0.0.1:{self.service.port}'
        self.browsers = []

    def browser(self, video=None):
        b = Browser(self.root, self.service.authority, video)
        self.browsers.append(b)
        return b

    def close(self):
        """Browsers closed, the service stopped, the folder removed."""
        for b in self.browsers:
            b.close()
        if self.service.process and self.service.process.poll() is None:
            self.service.process.kill()
        shutil.rmtree(self.root, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--cli', required=True)
    parser.add_argument('scenario', choices=sorted(SCENARIOS))
    args = parser.parse_args()
    for tool in (CHROMIUM, CHROMEDRIVER, shutil.which('certutil'), shutil.which('zint'), shutil.which('ffmpeg')):
        if not tool or not os.path.exists(tool):
            print(f'skipped: {tool} is missing')
            return SKIP
    usage = subprocess.run([args.cli, 'serve', '--help'], capture_output=True)
    if usage.returncode != 0:
        print('skipped: ambitra-cli has no "serve" command')
        return SKIP
    root = tempfile.mkdtemp(prefix='ambitra-web-')
    ctx = Context(os.path.abspath(args.cli), root)
    try:
        ctx.service.start()
        SCENARIOS[args.scenario](ctx)
    finally:
        ctx.close()
    print(f'{args.scenario}: ok')
    return 0


if __name__ == '__main__':
    sys.exit(main())
