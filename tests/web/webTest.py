#!/usr/bin/env python3
"""webTest.py WEB_DIR CAPTURE: the web build in a real headless Chromium, on a page served from
127.0.0.1, driven over the DevTools protocol on a pipe. No console message above info; "Window"
starts the demo; positions arrive in song order; the title matches the capture's frame at 12 s
(order 1, unchanged until 2:48); Escape ends the demo and the page offers to play again."""
import base64, functools, glob, http.server, json, os, subprocess, sys, tempfile, threading, time

webDir, capture = sys.argv[1], sys.argv[2]
work = tempfile.mkdtemp(prefix='webtest-')

def fail(message):
    print('FAIL: ' + message)
    sys.exit(1)

subprocess.run([capture, '--png', '--start', '12', '--end', '12.02', '-o', work + '/capture'], check=True,
               cwd=os.path.dirname(capture), stdout=subprocess.DEVNULL)
reference = base64.b64encode(open(sorted(glob.glob(work + '/capture/frame-*.png'))[0], 'rb').read()).decode()

server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), functools.partial(
    type('Quiet', (http.server.SimpleHTTPRequestHandler,), {'log_message': lambda *a: None}), directory=webDir))
threading.Thread(target=server.serve_forever, daemon=True).start()
toChrome, fromUs = os.pipe()
fromChrome, toUs = os.pipe()
chromium = subprocess.Popen(
    ['chromium', '--headless', '--no-sandbox', '--enable-unsafe-swiftshader', '--use-angle=swiftshader', '--disable-quic',
     '--no-first-run', '--disable-background-networking', '--disable-component-update', '--disable-sync',
     '--user-data-dir=' + work + '/profile', '--remote-debugging-pipe', 'about:blank'],
    pass_fds=(3, 4), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
    preexec_fn=lambda: (os.dup2(toChrome, 3), os.dup2(toUs, 4)))
os.close(toChrome)
os.close(toUs)
writer, reader = os.fdopen(fromUs, 'wb'), os.fdopen(fromChrome, 'rb')
ids, session, complaints, buffer = iter(range(1, 1 << 30)), None, [], b''

def send(method, **params):
    """The result of one command; console and exception events met on the way are kept."""
    global buffer
    number = next(ids)
    writer.write(json.dumps(dict(id=number, method=method, params=params, **({'sessionId': session} if session else {}))).encode() + b'\0')
    writer.flush()
    while True:
        while b'\0' not in buffer:
            buffer += reader.read1(1 << 16) or fail('Chromium closed its pipe')
        text, buffer = buffer.split(b'\0', 1)
        reply = json.loads(text)
        event, p = reply.get('method'), reply.get('params', {})
        if event == 'Runtime.consoleAPICalled' and p['type'] in ('error', 'warning', 'assert'):
            complaints.append('console.%s: %s' % (p['type'], ' '.join(str(a.get('value', a.get('description'))) for a in p['args'])))
        if event == 'Runtime.exceptionThrown':
            complaints.append('exception: ' + p['exceptionDetails'].get('exception', {}).get('description', str(p)))
        # SDL 2.26 plays through the ScriptProcessorNode that browsers call deprecated.
        if event == 'Log.entryAdded' and p['entry']['level'] in ('error', 'warning') and p['entry'].get('source') != 'deprecation':
            complaints.append('log %s: %s' % (p['entry'].get('source'), p['entry']['text']))
        if reply.get('id') == number:
            return reply['result'] if 'error' not in reply else fail('%s: %s' % (method, reply['error']))

def evaluate(expression):
    return send('Runtime.evaluate', expression=expression, returnByValue=True, awaitPromise=True)['result'].get('value')

def waitFor(expression, seconds, what):
    deadline = time.time() + seconds
    while not evaluate(expression):
        if time.time() > deadline: fail('%s within %d s (heard: %s; complaints: %s)' % (what, seconds, evaluate('heard'), complaints))
        time.sleep(0.1)

try:
    target = next(t for t in send('Target.getTargets')['targetInfos'] if t['type'] == 'page')
    session = send('Target.attachToTarget', targetId=target['targetId'], flatten=True)['sessionId']
    for domain in ('Runtime', 'Log', 'Page'): send(domain + '.enable')
    # Room for the picture at its own size and the line under it.
    send('Emulation.setDeviceMetricsOverride', width=1280, height=760, deviceScaleFactor=1, mobile=False)
    send('Page.navigate', url='http://127.0.0.1:%d/index.html' % server.server_address[1])
    waitFor('document.querySelectorAll("#buttons button").length == 2', 60, 'the start question')
    if evaluate('[...document.querySelectorAll("button")].map(b => b.textContent).join()') != 'Fullscreen,Window':
        fail('the start question offers other buttons')
    x, y = evaluate('(r => [r.x + r.width / 2, r.y + r.height / 2])([...document.querySelectorAll("button")][1].getBoundingClientRect())')
    for kind in ('mousePressed', 'mouseReleased'):
        send('Input.dispatchMouseEvent', type=kind, x=x, y=y, button='left', clickCount=1)
    waitFor('heard.includes("1:0")', 60, 'the title (order 1 row 0)')
    canvas = evaluate('(r => [r.x, r.y, r.width, r.height])(document.getElementById("canvas").getBoundingClientRect())')
    shot = send('Page.captureScreenshot', format='png', clip=dict(x=canvas[0], y=canvas[1], width=1280, height=720, scale=1))
    # The byline goes at 2:0, the title fades from 2:48.
    if evaluate('heard[heard.length - 1]') not in ('1:0', '2:0', '2:32'): fail('the title faded before the screenshot')
    frames = evaluate('new Promise(done => { let n = 0, t0 = performance.now(); (function tick() { '
                      'if (performance.now() - t0 < 3000) { ++n; requestAnimationFrame(tick); } else done(n / 3); })(); })')
    for kind in ('rawKeyDown', 'keyUp'):
        send('Input.dispatchKeyEvent', type=kind, key='Escape', code='Escape', windowsVirtualKeyCode=27, nativeVirtualKeyCode=27)
    waitFor('document.getElementById("text").textContent == "The demo has ended."', 20, 'the end after Escape')
    heard = evaluate('heard')
    steps = [tuple(map(int, p.split(':'))) for p in heard if p != '-1:-1']
    if steps[:2] != [(0, -1), (1, 0)] or steps != sorted(steps): fail('positions out of order: %s' % heard)
    if complaints: fail('console: %s' % complaints)
    # The title's quad, a few pixels inside its edges (opaque: no particle shows through), both
    # images read back by the browser; the two renderers filter the lettering's edges a few steps apart.
    worst, mean = evaluate('''(async images => {
        const [a, b] = await Promise.all(images.map(async source => {
            const image = new Image();
            image.src = 'data:image/png;base64,' + source;
            await image.decode();
            const canvas = new OffscreenCanvas(1280, 720).getContext('2d');
            canvas.drawImage(image, 0, 0);
            return canvas.getImageData(258, 281, 764, 117).data; }));
        let worst = 0, total = 0;
        for (let i = 0; i < a.length; ++i) if (i % 4 < 3) {
            worst = Math.max(worst, Math.abs(a[i] - b[i]));
            total += Math.abs(a[i] - b[i]);
        }
        return [worst, total / (a.length * 3 / 4)]; })''' + '(%s)' % json.dumps([shot['data'], reference]))
    print('web: the title within %d (mean %.2f) of the capture; %.1f frames a second; positions heard: %s' %
          (worst, mean, frames, ' '.join(heard)))
    if mean > 1 or worst > 16: fail('the title differs from the capture\'s frame')
finally:
    chromium.kill()
    chromium.wait()
    server.shutdown()
    subprocess.run(['rm', '-rf', work])
