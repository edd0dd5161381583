// Run in the card once it has loaded: brings every picture into view and
// waits until it has loaded or failed, goes back to the top of the page and
// puts there, unseen, the page's text as shown, each picture's size as shown
// and as loaded (0 if it did not load) and every link.
(async () => {
  for (const image of document.images) {
    image.scrollIntoView();
    if (!image.complete) await new Promise(done => { image.onload = image.onerror = done; });
  }
  scrollTo(0, 0);
  const seen = document.createElement("script");
  seen.type = "text/plain";
  seen.textContent = [document.body.innerText,
    ...[...document.images].map(i => `picture ${i.getAttribute("src")}: ${i.width} of ${i.naturalWidth}, ${i.loading}`),
    ...[...document.querySelectorAll("[href]")].map(e => "link " + e.getAttribute("href"))].join("\n") + "\n";
  document.body.append(seen);
})();
