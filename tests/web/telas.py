#!/usr/bin/python3
"""Screenshots of every screen of the handheld app at phone size (360x740),
against `ambitra-cli serve` on a throw-away register:

    telas.py --cli PATH/ambitra-cli FOLDER"""

import argparse
import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import coletor  # noqa: E402


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--cli', required=True)
    parser.add_argument('folder')
    args = parser.parse_args()
    os.makedirs(args.folder, exist_ok=True)
    root = tempfile.mkdtemp(prefix='ambitra-telas-')
    ctx = coletor.Context(os.path.abspath(args.cli), root)
    try:
        ctx.service.start()
        b = ctx.browser(video=coletor.make_video(root))
        b.driver.execute_cdp_cmd('Emulation.setDeviceMetricsOverride',
                                 {'width': 360, 'height': 740, 'deviceScaleFactor': 1, 'mobile': True})
        n = [0]

        def shot(name):
            n[0] += 1
            b.driver.save_screenshot(os.path.join(args.folder, f'{n[0]:02d}-{name}.png'))

        b.open(f'{ctx.base}/#codigo={ctx.service.code}')
        shot('pareamento')
        b.by_id('nome-coletor').send_keys('Coletor da equipe 1\n')
        b.until(lambda: b.screen() == 'carga', 'the load screen')
        for box in b.driver.find_elements('css selector', '#lista-locais input'):
            if not box.is_selected():
                box.click()
        shot('carga')
        b.by_id('form-carga').submit()
        b.until(lambda: b.screen() == 'login', 'login')
        shot('operador')
        b.by_id('senha').send_keys('errada\n')
        b.until(lambda: b.message() == 'Operador ou senha incorretos.', 'refusal')
        shot('operador-senha-errada')
        b.by_id('senha').send_keys('123\n')
        b.until(lambda: b.screen() == 'leitura', 'count')
        shot('leitura-sem-local')
        b.wedge('0001')
        shot('leitura-local')
        b.wedge(coletor.MESA)
        shot('leitura-bem-conhecido')
        b.wedge(coletor.ARMARIO)
        shot('leitura-bem-de-outro-local')
        b.wedge(coletor.MESA)
        shot('leitura-segunda-leitura')
        b.wedge(coletor.TROCADO)
        shot('leitura-digito-verificador')
        b.driver.switch_to.active_element.send_keys(coletor.NOVO + '\n')
        b.until(lambda: b.by_id('dialogo-bem').get_property('open'), 'dialog')
        b.by_id('bem-nome').send_keys('ESTANTE DE ACO')
        shot('bem-novo')
        b.by_id('bem-nome').send_keys('\n')
        b.until(lambda: 'bem novo' in b.message(), 'new asset')
        b.driver.find_element('css selector', '#lidos button').click()
        b.until(lambda: b.by_id('dialogo-bem').get_property('open'), 'edit dialog')
        shot('alterar-leitura')
        b.by_id('bem-cancelar').click()
        b.by_id('desfazer').click()
        b.until(lambda: 'desfeita' in b.message(), 'undo')
        shot('desfazer')
        b.by_id('camera').click()
        b.until(lambda: coletor.ETIQUETA8 in b.by_id('lidos').text, 'camera', timeout=40)
        shot('camera')
        b.by_id('camera').click()
        ctx.service.stop()
        b.send()
        shot('enviar-sem-conexao')
        ctx.service.start()
        b.send()
        shot('enviar')
        b.by_id('nova-carga').click()
        b.until(lambda: b.screen() == 'carga', 'new load')
        shot('nova-carga')
        b.close()
        ctx.browsers.clear()
        # A browser that does not trust the certificate authority: no service worker.
        from selenium import webdriver
        options = webdriver.ChromeOptions()
        options.binary_location = coletor.CHROMIUM
        os.environ['HOME'] = os.path.join(root, 'sem-certificado')  # a certificate store without it
        for flag in ('--headless=new', '--no-sandbox', '--window-size=360,740',
                     f'--user-data-dir={os.path.join(root, "perfil2")}'):
            options.add_argument(flag)
        driver = webdriver.Chrome(service=webdriver.chrome.service.Service(coletor.CHROMEDRIVER), options=options)
        driver.execute_cdp_cmd('Emulation.setDeviceMetricsOverride',
                               {'width': 360, 'height': 740, 'deviceScaleFactor': 1, 'mobile': True})
        driver.get(ctx.base)
        # Past the certificate warning, as a user who clicks through it.
        driver.find_element('tag name', 'body').send_keys('thisisunsafe')
        import time
        time.sleep(3)
        driver.save_screenshot(os.path.join(args.folder, f'{n[0] + 1:02d}-sem-certificado.png'))
        driver.quit()
    finally:
        ctx.close()
    return 0


if __name__ == '__main__':
    sys.exit(main())
