/* A sample skin for Tallyfold. Copy it to x/o.cjs beside the program. */
QPushButton {
    background: #dce6f2;
    border: 1px solid #7a96b8;
    border-radius: 4px;
    color: #1d3557;
}
QPushButton:hover { background: #c4d6ec; }
QPushButton:pressed { background: #a9c2e2; }
QAbstractItemView {
    border: 1px solid #7a96b8;
    alternate-background-color: #f3f6fa;
    selection-background-color: #1d3557;
}
QHeaderView::section {
    background: #1d3557;
    color: white;
    padding: 2px 4px;
    border: none;
}
QGroupBox { color: #1d3557; }
QLineEdit { border: 1px solid #7a96b8; padding: 1px 3px; background: white; }
