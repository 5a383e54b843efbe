// A TypeScript host, checked with tsc --noEmit against the installed package's declarations:
// payloads narrow by event name, and misuse does not compile.
import {ContextTimeoutError, load, type EventPayloads} from 'axbridge';

const lib = load({simulated: true});
lib.on('text_select', (selection) => {
  if ('selected_text' in selection) console.log(selection.selected_text, selection.size.width);
  else console.log(selection.message);
});
lib.on('app_changed', (app) => console.log(app.bundle_id ?? 'no bundle id', app.role));
lib.initMacAccessibility((name, data) => {
  if (name === 'focused_changed') console.log(data.name);
});
lib.initMacAccessibility((name) => console.log(name));
lib.on('newListener', (name, listener) => console.log(String(name), listener.length));
lib.start({'com.example.vault': {name: 'AXIdentifier', value: 'password'}});
lib.addMouseTracker(Buffer.alloc(8));
lib.addMouseTracker(0x3a00007n);
const answer: Promise<EventPayloads['alt_enter_pressed']> = lib.getContext();
answer.catch((error) => console.log(error instanceof ContextTimeoutError && error.code));
lib.replace('bread');
// @ts-expect-error: an application switch carries no text
lib.on('app_changed', (app) => app.selected_text);
// @ts-expect-error: no such event
lib.on('text_selected', () => {});
// @ts-expect-error: text only
lib.replace(42);
