// The three browser engines the tests play in, each a small adapter the checks are written
// against: chromium through playwright-core, Firefox (Debian's firefox-esr) through
// puppeteer-core over WebDriver BiDi, and WebKit (WebKitGTK's MiniBrowser) through its
// WebDriver on a private Xvfb, with the little client below.
// A page of any engine offers: name, evaluate(fn, arg), until(fn, arg), key(name),
// errors(), reload(), goto(url), close(); a chromium page also its playwright page (pw) and
// DevTools session (cdp), for the phone's taps and keyboard.
import { spawn } from 'node:child_process';
import net from 'node:net';
import { chromium } from 'playwright-core';
import puppeteer from 'puppeteer-core';
import { Devices, Launch, StateTimeout, desktopKey, probe } from './browser.mjs';

const probeErrors = (page) => page.evaluate(() => window.probe?.errors ?? []);
// The errors a playwright or puppeteer page reports (its own and its console's), from now on.
function reported(pp) {
    const errors = [];
    pp.on('pageerror', (error) => errors.push(error.message));
    pp.on('console', (message) => message.type() === 'error' && errors.push(message.text()));
    return errors;
}
// A wait that failed says what it waited for.
const waited = (fn, wait) => wait.catch((error) => { throw new Error(`${error.message}, waiting for ${fn}`); });

// A chromium page, its errors collected from now on.
export async function chromiumPage(pw, name, close = () => pw.close()) {
    const errors = reported(pw);
    const page = {
        pw, name, close,
        cdp: await pw.context().newCDPSession(pw),
        evaluate: (fn, arg) => pw.evaluate(fn, arg),
        until: (fn, arg) => waited(fn, pw.waitForFunction(fn, arg, { polling: 'raf', timeout: StateTimeout }).then((h) => h.jsonValue())),
        key: (key) => desktopKey(page.cdp, key),
        errors: async () => [...errors, ...await probeErrors(page)],
        reload: () => pw.reload(),
        goto: (url) => pw.goto(url),
    };
    return page;
}

// The keys the walkthroughs hold as characters, or name, as WebDriver's code points (BiDi's
// too): Firefox's and WebKit's drivers take them.
const WebDriverKeys = { '\b': '\uE003', '\n': '\uE007', Escape: '\uE00C' };

// The processes the tests start; none outlives them.
const children = new Set();
process.on('exit', () => children.forEach((child) => child.kill('SIGKILL')));
function start(command, args, options) {
    const child = spawn(command, args, options);
    children.add(child);
    child.on('exit', () => children.delete(child));
    return child;
}

// A private X display: Xvfb picks a free number and writes it on descriptor 3 once it takes
// clients.
function xvfb() {
    const server = start('Xvfb', ['-displayfd', '3', '-screen', '0', '1280x800x24', '-nolisten', 'tcp'],
                         { stdio: ['ignore', 'ignore', 'ignore', 'pipe'] });
    return new Promise((resolve, reject) => {
        let text = '';
        server.stdio[3].on('data', (chunk) => /^\d+\n/.test(text += chunk) && resolve({ server, display: ':' + text.trim() }));
        server.on('exit', () => reject(new Error(`Xvfb ended: ${text}`)));
    });
}

function freePort() {
    const probing = net.createServer();
    return new Promise((resolve) => probing.listen(0, '127.0.0.1', () => {
        const { port } = probing.address();
        probing.close(() => resolve(port));
    }));
}

// One W3C WebDriver command: its value, or its error thrown.
async function command(base, method, route, body) {
    const response = await fetch(base + route, { method, headers: { 'Content-Type': 'application/json' },
                                                 body: body && JSON.stringify(body) });
    const { value } = await response.json();
    if (!response.ok) throw new Error(`WebDriver ${method} ${route}: ${value.error}: ${value.message}`);
    return value;
}

// Where Debian's libwebkit2gtk-4.1-0 installs the browser WebKitWebDriver drives.
const MiniBrowser = '/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser';

// A WebKit page: a driver of its own (it holds one session) and its MiniBrowser window. The
// driver passes no console messages, so the page's errors are those the probe records; the
// probe itself comes with the page from the tests' server (serve's `probe`).
async function webkitPage(display, url) {
    const port = await freePort();
    const driver = start('WebKitWebDriver', [`--port=${port}`], { env: { ...process.env, DISPLAY: display }, stdio: 'ignore' });
    let base = `http://127.0.0.1:${port}`;
    for (;;) {  // until the driver answers
        if (driver.exitCode !== null) throw new Error(`WebKitWebDriver ended with ${driver.exitCode}`);
        if (await fetch(base + '/status').then((r) => r.ok, () => false)) break;
        await new Promise((resolve) => setTimeout(resolve, 50));
    }
    const { sessionId } = await command(base, 'POST', '/session', { capabilities: { alwaysMatch: {
        'webkitgtk:browserOptions': { binary: MiniBrowser, args: ['--automation'] } } } });
    base += '/session/' + sessionId;
    const send = (method, route, body) => command(base, method, route, body);
    await send('POST', '/timeouts', { script: StateTimeout });
    // A function of the page run with its argument, awaited: its value, or its error thrown.
    const run = async (source, arg) => {
        const result = await send('POST', '/execute/async', { args: [arg], script: 'const done = arguments[1];' +
            `Promise.resolve().then(() => (${source})(arguments[0])).then((value) => done({ value }),` +
            '(error) => done({ error: String(error) }));' });
        if ('error' in result) throw new Error(result.error);
        return result.value;
    };
    const seen = [];  // errors of documents the page has left
    const leave = async () => seen.push(...await probeErrors(page));
    const page = {
        name: 'webkit',
        evaluate: (fn, arg) => run(String(fn), arg),
        // Checked at every animation frame, as playwright's and puppeteer's waits do.
        until: (fn, arg) => waited(fn, run(`(arg) => new Promise((resolve, reject) => (function check() {
            try { const value = (${fn})(arg); value ? resolve(value) : requestAnimationFrame(check); } catch (error) { reject(error); }
        })())`, arg)),
        key: (key) => send('POST', '/actions', { actions: [{ type: 'key', id: 'keyboard', actions: [
            { type: 'keyDown', value: WebDriverKeys[key] ?? key }, { type: 'keyUp', value: WebDriverKeys[key] ?? key }] }] }),
        errors: async () => [...seen, ...await probeErrors(page)],
        reload: async () => (await leave(), send('POST', '/refresh', {})),
        goto: async (to) => (await leave(), send('POST', '/url', { url: to })),
        close: async () => {
            await send('DELETE', '', undefined).catch(() => {});
            driver.kill();
        },
    };
    await send('POST', '/url', { url });
    return page;
}

// Each engine's launch gives { open(url, device), close() }; a page opened is in a profile of
// its own. WebKit's pages must come from a server that hands out the probe.
export const Engines = {
    chromium: {
        async launch() {
            const browser = await chromium.launch(Launch);
            return {
                async open(url, device = 'desktop') {
                    const context = await browser.newContext(Devices[device]);
                    const pw = await context.newPage();
                    await pw.addInitScript(probe);
                    const page = await chromiumPage(pw, device, () => context.close());
                    await pw.goto(url);
                    return page;
                },
                close: () => browser.close(),
            };
        },
    },
    firefox: {
        async launch() {
            const browser = await puppeteer.launch({ browser: 'firefox', protocol: 'webDriverBiDi', headless: true,
                                                     executablePath: '/usr/bin/firefox-esr', defaultViewport: { width: 1280, height: 720 } });
            return {
                async open(url) {
                    const context = await browser.createBrowserContext();
                    const pp = await context.newPage({ type: 'window' });  // a tab behind another is not drawn
                    const errors = reported(pp);
                    await pp.evaluateOnNewDocument(probe);
                    const page = {
                        name: 'firefox',
                        evaluate: (fn, arg) => pp.evaluate(fn, arg),
                        until: (fn, arg) => waited(fn, pp.waitForFunction(fn, { polling: 'raf', timeout: StateTimeout }, arg).then((h) => h.jsonValue())),
                        key: (key) => pp.keyboard.press(WebDriverKeys[key] ?? key),
                        errors: async () => [...errors, ...await probeErrors(page)],
                        reload: () => pp.reload(),
                        goto: (to) => pp.goto(to),
                        close: () => context.close(),
                    };
                    await pp.goto(url);
                    return page;
                },
                close: () => browser.close(),
            };
        },
    },
    webkit: {
        servedProbe: true,
        async launch() {
            const x = await xvfb();
            return { open: (url) => webkitPage(x.display, url), close: async () => x.server.kill() };
        },
    },
};
