// The pages of a print job that reach the printer: a paint device with the
// printer's size and resolution whose drawing goes on to the printer on the
// pages of a chosen range and is dropped on the others. The job draws every
// page the same way (its painter's state runs on across the dropped pages), so
// a page of the range looks as it does in the whole print.
#pragma once
#include <QPaintDevice>
#include <memory>

class QPainter;
class QPrinter;

class PageFilter : public QPaintDevice {
public:
    // Pages first..last (counted from 1) of the job reach the printer.
    PageFilter(QPrinter& printer, int first, int last);
    ~PageFilter() override;
    PageFilter(const PageFilter&) = delete;
    PageFilter& operator=(const PageFilter&) = delete;

    QPaintEngine* paintEngine() const override;
    // The job's next page: a new printer page when it is in the range and an
    // earlier page of the range was begun.
    void newPage();
    // Pages of the range begun so far.
    int pagesPrinted() const;

protected:
    int metric(PaintDeviceMetric metric) const override;

private:
    class Engine;
    QPrinter& printer_;
    std::unique_ptr<Engine> engine_;
};
