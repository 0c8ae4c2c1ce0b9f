// Where the space goes: a squarified treemap of sizes by module, task and group, drawn as SVG.
// Each tile says what it is in words (its name and size, and a title with the whole path), so
// the picture reads without colour too; the colours only tell the modules apart. A tile that is
// not divided further is a button: it opens that group (or task, or module) in its tree.

const SVG = "http://www.w3.org/2000/svg";
const kMostGroups = 40;  // per task; the rest are one tile

// The worst aspect ratio of a row of areas laid along a side of length `side`.
function worst(row, side) {
  const sum = row.reduce((a, b) => a + b.area, 0);
  const max = Math.max(...row.map((r) => r.area)), min = Math.min(...row.map((r) => r.area));
  return Math.max((side * side * max) / (sum * sum), (sum * sum) / (side * side * min));
}

// Lays out `items` ({value}) in the rectangle: rows along the shorter side, each row grown
// while that makes its tiles squarer. Answers [{item, x, y, w, h}].
export function squarify(items, x, y, w, h) {
  const total = items.reduce((a, b) => a + b.value, 0);
  if (total <= 0 || w <= 0 || h <= 0) return [];
  const queue = items.filter((i) => i.value > 0).sort((a, b) => b.value - a.value)
    .map((item) => ({ item, area: (item.value / total) * w * h }));
  const placed = [];
  let row = [];
  const layRow = () => {
    const sum = row.reduce((a, b) => a + b.area, 0);
    if (w >= h) {  // a column at the left
      const width = sum / h;
      let top = y;
      for (const r of row) { const height = r.area / width; placed.push({ item: r.item, x, y: top, w: width, h: height }); top += height; }
      x += width; w -= width;
    } else {  // a row at the top
      const height = sum / w;
      let left = x;
      for (const r of row) { const width = r.area / height; placed.push({ item: r.item, x: left, y, w: width, h: height }); left += width; }
      y += height; h -= height;
    }
    row = [];
  };
  for (const next of queue) {
    const side = Math.min(w, h);
    if (row.length && worst(row.concat(next), side) > worst(row, side)) layRow();
    row.push(next);
  }
  if (row.length) layRow();
  return placed;
}

// The tree the map shows: modules, their tasks, each task's groups (the largest ones, the rest
// as one "others" tile). `name` names a group's node.
export function mapTree(results, name) {
  return results.filter((m) => m.size > 0).map((m) => ({
    name: m.displayName, value: m.size, module: m.name,
    children: m.tasks.map((task, t) => {
      const groups = task.nodes.map((node) => ({ name: name(node), value: node.entity.size, module: m.name, task: t, node }))
        .filter((g) => g.value > 0).sort((a, b) => b.value - a.value);
      const rest = groups.slice(kMostGroups);
      const shown = groups.slice(0, kMostGroups);
      if (rest.length) shown.push({ name: `${rest.length} others`, value: rest.reduce((a, b) => a + b.value, 0), module: m.name, task: t });
      return { name: task.name, value: task.size, module: m.name, task: t, children: shown };
    }).filter((t) => t.value > 0),
  }));
}

// Draws the map of `tree` into `svg` (its size from the element), calling `open(tile)` for a
// tile too small to divide further (a group, or a task or module whose parts would not show);
// `formatSize` writes the sizes.
export function drawTreemap(svg, tree, open, formatSize) {
  svg.replaceChildren();
  const width = svg.clientWidth || 800, height = svg.clientHeight || 400;
  svg.setAttribute("viewBox", `0 0 ${width} ${height}`);
  const hues = [210, 30, 140, 280, 0, 90, 330, 180];
  const draw = (nodes, x, y, w, h, depth, hue, trail) => {
    squarify(nodes, x, y, w, h).forEach((tile, i) => {
      const node = tile.item;
      const colour = depth === 0 ? hues[i % hues.length] : hue;
      const path = trail.concat(node.name);
      const group = document.createElementNS(SVG, "g");
      const rect = document.createElementNS(SVG, "rect");
      rect.setAttribute("x", tile.x); rect.setAttribute("y", tile.y);
      rect.setAttribute("width", Math.max(0, tile.w)); rect.setAttribute("height", Math.max(0, tile.h));
      rect.setAttribute("class", `tile depth${depth}`);
      rect.style.setProperty("--hue", colour);
      const title = document.createElementNS(SVG, "title");
      title.textContent = `${path.join(" › ")}: ${formatSize(node.value)}`;
      group.append(title, rect);
      const header = node.children && node.children.length && tile.h > 40 && tile.w > 60 ? 18 : 0;
      if ((header || tile.w > 70 && tile.h > 30) && tile.w > 40) {
        const text = document.createElementNS(SVG, "text");
        text.setAttribute("x", tile.x + 4); text.setAttribute("y", tile.y + 13);
        text.setAttribute("class", "tile-label");
        const room = Math.floor((tile.w - 8) / 7);
        const words = `${node.name} ${formatSize(node.value)}`;
        text.textContent = words.length > room ? words.slice(0, Math.max(1, room - 1)) + "…" : words;
        group.append(text);
      }
      svg.append(group);
      if (node.children && node.children.length && tile.w > 12 && tile.h > header + 12)
        draw(node.children, tile.x + 2, tile.y + header + 1, tile.w - 4, tile.h - header - 3, depth + 1, colour, path);
      else {
        group.setAttribute("tabindex", "0");
        group.setAttribute("role", "button");
        group.setAttribute("aria-label", `Open ${path.join(", ")}, ${formatSize(node.value)}`);
        group.setAttribute("class", "leaf");
        group.addEventListener("click", () => open(node));
        group.addEventListener("keydown", (event) => {
          if (event.key === "Enter" || event.key === " ") { event.preventDefault(); open(node); }
        });
      }
    });
  };
  draw(tree, 0, 0, width, height, 0, 0, []);
}
