// The tree behind the source list: title rows as roots, chapter rows as their children. It keeps
// which nodes are shown (every ancestor expanded), the row number of each shown node and the
// selection, and tells a view what changed; it draws nothing. A widget that presents the tree
// implements TreeView and renders rows from the nodes.
//
// Single owner, user-interface thread only. Nodes are owned by the tree; pointers to them stay
// valid until clear() (or the tree's destruction).
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

struct SourceItem;

struct TreeNode {
  std::vector<std::unique_ptr<TreeNode>> children;  // in insertion order
  TreeNode* parent = nullptr;                       // none for a root
  std::unique_ptr<SourceItem> item;                 // the row record
  bool collapsed = false;                           // set while the children are hidden
  int row = -1;                                     // the row while shown, else -1
  int indent = 1;                                   // 1 for a root, parent's + 1 below

  TreeNode();
  ~TreeNode();
  TreeNode(const TreeNode&) = delete;
  TreeNode& operator=(const TreeNode&) = delete;
};

// A walk over one list of siblings. Exhausted (false) after the last element.
struct TreePosition {
  const std::vector<std::unique_ptr<TreeNode>>* list = nullptr;
  size_t index = 0;
  explicit operator bool() const { return list != nullptr && index < list->size(); }
};

// What a presenting widget hears about. Rows are the shown rows, from 0.
class TreeView {
 public:
  virtual ~TreeView() = default;
  // Shown rows were inserted, deleted or renumbered: redraw them all.
  virtual void rows_changed() = 0;
  // One shown row's texts changed.
  virtual void row_updated(const TreeNode& node) = 0;
  // The selection moved to `row` (-1: none).
  virtual void selection_changed(int row) = 0;
};

class SourceTree {
 public:
  SourceTree();
  ~SourceTree();
  SourceTree(const SourceTree&) = delete;
  SourceTree& operator=(const SourceTree&) = delete;

  void set_view(TreeView* view) { view_ = view; }

  // A new root with `item` (an empty item when null), shown as the last row.
  TreeNode* insert_root(std::unique_ptr<SourceItem> item);
  // A new last child of `parent`. With show off the parent is marked collapsed and no row is made;
  // with show on (and the parent shown and expanded) the child gets its row.
  TreeNode* insert_child(TreeNode* parent, std::unique_ptr<SourceItem> item, bool show);
  // Makes `item` the node's item (when not null) and, with redraw on and the node shown, tells
  // the view to rewrite the row.
  void update_row(TreeNode* node, std::unique_ptr<SourceItem> item, bool redraw);
  void update_row(TreeNode* node, bool redraw);

  // Shows the children of a collapsed node that has children; returns the row of the last child,
  // or -1 when nothing changed.
  int expand_node(TreeNode* node);
  // Hides the children and every expanded descendant's children.
  void collapse_node(TreeNode* node);

  // Selects a shown node (a root is always shown); nothing for a hidden node.
  void select_node(TreeNode* node);
  int selected_row() const { return selected_row_; }

  // Releases every node with its item; nothing is shown afterwards.
  void clear();

  TreeNode* node_at_row(int row) const;  // null when no shown row has that number
  int row_of(const TreeNode* node) const;  // its row when shown, else -1
  static TreeNode* parent_of(const TreeNode* node) { return node ? node->parent : nullptr; }
  static bool is_root(const TreeNode* node) { return node && node->parent == nullptr; }
  static SourceItem* item_of(const TreeNode* node) { return node ? node->item.get() : nullptr; }
  size_t node_count() const { return node_count_; }
  size_t shown_row_count() const { return shown_.size(); }

  TreePosition first_root_position() const { return TreePosition{&roots_, 0}; }
  static TreeNode* next_root(TreePosition& position) { return next_in(position); }
  static TreePosition first_child_position(const TreeNode* node) {
    return node ? TreePosition{&node->children, 0} : TreePosition{};
  }
  static TreeNode* next_child(TreePosition& position) { return next_in(position); }

 private:
  static TreeNode* next_in(TreePosition& position);
  void renumber();
  void append_shown(TreeNode* node);
  static bool is_shown(const TreeNode* node);

  std::vector<std::unique_ptr<TreeNode>> roots_;
  std::vector<TreeNode*> shown_;  // shown rows in order; shown_[row]->row == row
  size_t node_count_ = 0;
  int selected_row_ = -1;
  TreeNode* selected_ = nullptr;
  TreeView* view_ = nullptr;
};
